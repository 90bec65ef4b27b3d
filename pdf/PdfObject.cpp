#include "pdf/PdfObject.h"

#include "pdf/PdfFont.h"
#include "pdf/PdfText.h"
#include "pdf/QvPDF.h"

#include <algorithm>

namespace vellora::pdf {

// --- TPDFObjects

int TPDFObjects::Add(TPDFObject *object)
{
    FItems.push_back(object);
    return Count() - 1;
}

TPDFObject *TPDFObjects::Extract(TPDFObject *object)
{
    const auto it = std::find(FItems.begin(), FItems.end(), object);
    if (it == FItems.end())
        return nullptr;
    FItems.erase(it);
    return object;
}

int TPDFObjects::IndexOf(const TPDFObject *object) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), object);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

QString TPDFObjects::ObjectArrayString() const
{
    QString s = QStringLiteral("[ ");
    for (const TPDFObject *o : FItems)
        s += o->ReferenceString() + QStringLiteral("\r\n");
    return s + QLatin1Char(']');
}

// --- TPDFObject

TQvPDF *TPDFObject::Document() const
{
    return FOwner ? FOwner->Owner() : nullptr;
}

void TPDFObject::WriteBody(Sink &) {}

QString TPDFObject::ReferenceString() const
{
    return QStringLiteral("%1 %2 R").arg(FObjectID).arg(FEdition);
}

void TPDFObject::SaveToStream(CountingSink &out)
{
    FPosition = out.count();
    WriteLine(out, formatInt(FObjectID) + ' ' + formatInt(FEdition) + " obj");
    WriteBody(out);
    WriteLine(out, std::string_view("endobj"));
}

// --- TQvPDFObjects

TQvPDFObjects::~TQvPDFObjects()
{
    // The owner is being destroyed too: free the objects without telling it.
    while (!FItems.empty())
        FItems.pop_back();
}

void TQvPDFObjects::append(std::unique_ptr<TPDFObject> object)
{
    // Numbers follow the highest one given, so that an object added after a
    // removal never takes a number that is still in use.
    object->FObjectID = ++FLastID;
    TPDFObject *raw = object.get();
    FItems.push_back(std::move(object));
    if (auto *font = dynamic_cast<TPDFFont *>(raw); font && FOwner && font->Searchable())
        FOwner->RegisterFont(font);
}

void TQvPDFObjects::Clear()
{
    if (FOwner)
        FOwner->ForgetObjects();
    // Later objects may refer to earlier ones while they go: free from the end.
    while (!FItems.empty())
        FItems.pop_back();
    FLastID = 0;
}

std::unique_ptr<TPDFObject> TQvPDFObjects::Extract(TPDFObject *object)
{
    const auto it = std::find_if(FItems.begin(), FItems.end(), [object](const auto &p) { return p.get() == object; });
    if (it == FItems.end())
        return nullptr;
    std::unique_ptr<TPDFObject> taken = std::move(*it);
    FItems.erase(it);
    if (auto *font = dynamic_cast<TPDFFont *>(object); font && FOwner)
        FOwner->UnregisterFont(font);
    return taken;
}

int TQvPDFObjects::IndexOf(const TPDFObject *object) const
{
    const auto it = std::find_if(FItems.begin(), FItems.end(), [object](const auto &p) { return p.get() == object; });
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TQvPDFObjects::Remove(TPDFObject *object)
{
    Extract(object);   // the returned owner frees it
}

} // namespace vellora::pdf
