// TGraphicClassList: the registry that maps file extensions (with their
// leading dot, ".jpg") to graphic classes. Entries keep the order they were
// added in and an extension may occur twice (the first wins in look-ups).
// The program has one registry reached through ImageFormatRegistry(); the
// main window makes its list view's registry that one. UI thread only.
#pragma once

#include "graphics/GraphicClass.h"

#include <QString>
#include <vector>

namespace vellora {

struct TGraphicClassListItem {
    QString Extension;                          // ".jpg"
    const TGraphicClass *GraphicClass = nullptr;
};

// How Assign combines two lists (entries are equal when extension, ignoring
// case, and class are equal).
enum class TListAssignOp { laCopy, laAnd, laOr, laXor, laSrcUnique, laDestUnique };

class TGraphicClassList {
public:
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    const TGraphicClassListItem &Item(int index) const;
    const TGraphicClass *GraphicClass(int index) const { return Item(index).GraphicClass; }

    int Add(const QString &extension, const TGraphicClass *graphicClass);
    int AddItem(const TGraphicClassListItem &item);
    void Insert(int index, const QString &extension, const TGraphicClass *graphicClass);
    void InsertItem(int index, const TGraphicClassListItem &item);
    void Delete(int index);
    void Clear() noexcept { FItems.clear(); }

    // The first entry whose extension equals ext ignoring case, or -1.
    int IndexOfExtension(const QString &ext) const;
    int IndexOfClass(const TGraphicClass *graphicClass) const;

    // The class library's list combination: with listB, this list becomes a
    // copy of listA which is then combined with listB; without, this list is
    // combined with listA.
    void Assign(const TGraphicClassList &listA, TListAssignOp op = TListAssignOp::laCopy,
                const TGraphicClassList *listB = nullptr);

    // The built-in formats in their order: .bmp .jpg .jpeg .ico .wmf .emf .png .gif.
    void AddBuiltInFormats();

private:
    std::size_t checked(int index, bool allowEnd = false) const;
    static bool sameEntry(const TGraphicClassListItem &a, const TGraphicClassListItem &b);
    int indexOfEntry(const TGraphicClassListItem &item) const;

    std::vector<TGraphicClassListItem> FItems;
};

// The program's registry: the one set by SetImageFormatRegistry (the main
// window's list view), or until then a registry of the built-in formats.
TGraphicClassList &ImageFormatRegistry();
void SetImageFormatRegistry(TGraphicClassList *registry);   // nullptr: back to the built-in one

// Picks a class for a file: its extension in the registry, then, when
// sniffContent is set, the file's content; nullptr when neither knows it.
const TGraphicClass *FindGraphicClass(const QString &fileName, bool sniffContent);

// The general picture loader's formats: a registry of (extension,
// description, class), holding the image libraries' formats from the start
// and any format registered later (plug-in formats stay for the process).
// Extensions are stored lower-case without their dot; a later registration
// of an extension wins, as with the class library's loader. Any thread.
struct TRegisteredPictureFormat {
    QString Extension;          // "pam"
    QString Description;        // "Portable Arbitrary Map"
    const TGraphicClass *GraphicClass = nullptr;
};
// Adds a format; the same extension and class again only updates the description.
void RegisterPictureFormat(const QString &extension, const QString &description, const TGraphicClass *graphicClass);
// Removes every format of the class.
void UnregisterPictureClass(const TGraphicClass *graphicClass);
// Every format, in registration order.
std::vector<TRegisteredPictureFormat> PictureFormats();
// The class for an extension with its leading dot (".pam"), or nullptr.
const TGraphicClass *PictureClassForExtension(const QString &ext);

// Loads a file with the class FindGraphicClass(fileName, true) picks;
// EGraphicError when none does.
std::unique_ptr<TGraphic> LoadGraphicFile(const QString &fileName);

} // namespace vellora
