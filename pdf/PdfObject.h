// The indirect objects of a PDF document: TPDFObject (the base of every
// numbered object), TPDFObjects (a non-owning list of objects) and
// TQvPDFObjects (the document's owning, numbered list). Object numbers are
// given when an object is added and never change; a removed number stays
// unused. Single-threaded; writers throw what their sink throws.
#pragma once

#include "pdf/Sink.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace vellora::pdf {

class TPDFObject;
class TQvPDF;
class TQvPDFObjects;

// A non-owning list of objects.
class TPDFObjects {
public:
    virtual ~TPDFObjects() = default;
    int Add(TPDFObject *object);             // returns the index
    void Clear() { FItems.clear(); }
    TPDFObject *Extract(TPDFObject *object); // takes it out of the list; returns it or nullptr
    int IndexOf(const TPDFObject *object) const;
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TPDFObject *operator[](int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    TPDFObject *Items(int index) const { return (*this)[index]; }
    // "[ " then each item's reference and CR LF, then "]".
    QString ObjectArrayString() const;

private:
    std::vector<TPDFObject *> FItems;
};

class TPDFObject {
public:
    explicit TPDFObject(TQvPDFObjects *AOwner) : FOwner(AOwner) {}
    virtual ~TPDFObject() = default;
    TPDFObject(const TPDFObject &) = delete;
    TPDFObject &operator=(const TPDFObject &) = delete;

    // Called on every object in number order before anything is written.
    virtual void Prepare() {}
    // The object's body between "n 0 obj" and "endobj".
    virtual void WriteBody(Sink &out);
    // "5 0 R".
    virtual QString ReferenceString() const;
    // Records the position, writes "n 0 obj", the body and "endobj".
    virtual void SaveToStream(CountingSink &out);
    // Drops data held for writing (in memory or in temporary files).
    virtual void ReleaseData() {}

    std::uint32_t Edition() const noexcept { return FEdition; }
    std::uint32_t ObjectID() const noexcept { return FObjectID; }
    const QString &ObjectType() const noexcept { return FObjectType; }
    std::int64_t Position() const noexcept { return FPosition; }
    TQvPDFObjects *Owner() const noexcept { return FOwner; }
    TQvPDF *Document() const;
    const TPDFObjects &Refs() const noexcept { return FRefs; }

protected:
    std::uint32_t FEdition = 0;
    std::uint32_t FObjectID = 0;
    QString FObjectType;
    TQvPDFObjects *FOwner;
    std::int64_t FPosition = -1;
    TPDFObjects FRefs;

    friend class TQvPDFObjects;
};

// The document's objects in number order; owns them.
class TQvPDFObjects {
public:
    explicit TQvPDFObjects(TQvPDF *AOwner) : FOwner(AOwner) {}
    ~TQvPDFObjects();
    TQvPDFObjects(const TQvPDFObjects &) = delete;
    TQvPDFObjects &operator=(const TQvPDFObjects &) = delete;

    // Makes an object of class T (whose constructor may add objects of its
    // own, which then take the lower numbers), appends it and numbers it.
    template <class T, class... Args>
    T *Add(Args &&...args)
    {
        auto object = std::make_unique<T>(this, std::forward<Args>(args)...);
        T *raw = object.get();
        append(std::move(object));
        return raw;
    }

    void Clear();
    std::unique_ptr<TPDFObject> Extract(TPDFObject *object);  // out of the list, not freed
    int IndexOf(const TPDFObject *object) const;
    void Remove(TPDFObject *object);                           // out of the list and freed
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TPDFObject *operator[](int index) const { return FItems.at(static_cast<std::size_t>(index)).get(); }
    TQvPDF *Owner() const noexcept { return FOwner; }
    // The highest number given so far; numbers of removed objects stay taken.
    std::uint32_t LastObjectID() const noexcept { return FLastID; }

private:
    void append(std::unique_ptr<TPDFObject> object);

    std::vector<std::unique_ptr<TPDFObject>> FItems;
    TQvPDF *FOwner;
    std::uint32_t FLastID = 0;
};

} // namespace vellora::pdf
