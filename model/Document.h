// Saving and opening document files (".vlpf"): the paper part followed by the
// print list, written through a temporary ".$vlf" file beside the document
// that replaces it only once it is complete on the disk. Failures end in
// EDocumentError carrying the message the user sees. UI thread.
#pragma once

#include "settings/Errors.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace vellora {

class TImageInfos;
class TPhotoPaper;

inline constexpr char16_t kDocumentSaveErrorText[] = u"ドキュメントの保存に失敗しました。";
inline constexpr char16_t kDocumentReadErrorText[] = u"ドキュメントの読み取りに失敗しました。";
inline constexpr char16_t kDocumentExtension[] = u".vlpf";
inline constexpr char16_t kDocumentTempExtension[] = u".$vlf";

// Why a document could not be read, as far as the reader can tell.
enum class TDocumentErrorReason : std::uint8_t {
    derUnreadable,   // the file cannot be opened or read (errno in the detail)
    derNotDocument,  // no document signature, and not an older document either
    derDamaged,      // cut short or inconsistent
    derNewer,        // values this version does not know: a newer program wrote it
};

// A failed save or open. message() is one of the two texts above; detail()
// says what went wrong underneath, for logs and the command line.
class EDocumentError : public Error {
public:
    EDocumentError(const QString &message, const QString &detail,
                   TDocumentErrorReason reason = TDocumentErrorReason::derDamaged, int errorNumber = 0)
        : Error(message), FDetail(detail), FReason(reason), FErrno(errorNumber) {}
    const QString &detail() const noexcept { return FDetail; }
    TDocumentErrorReason reason() const noexcept { return FReason; }
    int errorNumber() const noexcept { return FErrno; }

private:
    QString FDetail;
    TDocumentErrorReason FReason;
    int FErrno;
};

// The reason in plain words for the user.
QString DocumentErrorReason(TDocumentErrorReason reason, int errorNumber = 0);

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
