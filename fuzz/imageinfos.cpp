// Reads a print list record from arbitrary bytes, from a file as documents
// are read. A list that loads is saved again with that file as the previous
// document (copying its embedded images) and must read back with the same
// entries.
#include "fuzz/FuzzFile.h"
#include "model/ImageInfos.h"

#include <cstdint>
#include <exception>

using namespace vellora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TFileStream input(fuzz::WriteInputFile("fuzz_imageinfos", data, size), TFileStream::Mode::Read);
    TImageInfos list;
    list.SetOnImageExist([](void *, const QString &, bool &deletion) { deletion = true; });
    try {
        list.LoadFromStream(input);
    } catch (const std::exception &) {
        return 0;
    }
    for (int i = 0; i < list.Count(); ++i) {
        const TImageInfo &info = *list[i];
        (void)(info.FileSizeText().size() + info.FileTimeText().size() + info.ImageSizeText().size() +
               info.ShotTimeText().size());
    }
    // A link save keeps embedded entries embedded without reading any file
    // the input happens to name.
    if (list.SaveType() == TFileSaveType::fstStream)
        list.SetSaveType(TFileSaveType::fstLink);
    TMemoryStream output;
    list.SaveToStream(output, &input);
    output.SetPosition(0);
    TImageInfos again;
    again.LoadFromStream(output);
    const int expected = list.SaveType() == TFileSaveType::fstLayout ? 0 : list.Count();
    if (again.Count() != expected || output.Remaining() != 0)
        __builtin_trap();
    return 0;
}
