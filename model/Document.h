// Saving and opening document files (".vlpf"): the paper part followed by the
// print list, written through a temporary ".$vlf" file beside the document
// that replaces it only once it is complete on the disk. Failures end in
// EDocumentError carrying the message the user sees. UI thread.
#pragma once

#include "settings/Errors.h"

#include <QString>
#include <QStringList>

namespace vellora {

class TImageInfos;
class TPhotoPaper;

inline constexpr char16_t kDocumentSaveErrorText[] = u"ドキュメントの保存に失敗しました。";
inline constexpr char16_t kDocumentReadErrorText[] = u"ドキュメントの読み取りに失敗しました。";
inline constexpr char16_t kDocumentExtension[] = u".vlpf";
inline constexpr char16_t kDocumentTempExtension[] = u".$vlf";

// A failed save or open. message() is one of the two texts above; detail()
// says what went wrong underneath, for logs and the command line.
class EDocumentError : public Error {
public:
    EDocumentError(const QString &message, const QString &detail) : Error(message), FDetail(detail) {}
    const QString &detail() const noexcept { return FDetail; }

private:
    QString FDetail;
};

// The document's name with its extension changed to ".$vlf".
QString DocumentTempFileName(const QString &fileName);

// Writes paper and print list (with the print list's save type) to fileName.
// Embedded images already stored are copied from the document each entry
// came from (its SourceFile, else the paper's DocumentFileName), when that
// exists. The new file is flushed to the disk and renamed over the old one,
// so a failure at any point leaves the old document as it was; the temporary
// file is removed. On success the paper's DocumentFileName and every
// embedded entry's SourceFile become fileName, and lostImages (when given)
// receives the file names of entries saved without their image data.
void SaveDocumentFile(const QString &fileName, TPhotoPaper &paper, TImageInfos &images,
                      QStringList *lostImages = nullptr);

// Reads the whole file, then the paper part and the print list from it (the
// print list's records are appended, embedded ones with fileName as their
// SourceFile). On failure the paper and the list keep what was read so far.
// On success the paper's DocumentFileName is fileName.
void OpenDocumentFile(const QString &fileName, TPhotoPaper &paper, TImageInfos &images);

// A file that begins with the signature, or whose extension is ".vlpf" in any case.
bool IsDocumentFile(const QString &fileName);

} // namespace vellora
