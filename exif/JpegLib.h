// What the JPEG decoder and encoder share around libjpeg: an error manager
// that turns libjpeg's fatal errors into a longjmp with the message kept, and
// keeps the first warning instead of printing it. Private to exif/Jpeg*.cpp.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace vellora::jpeg::detail {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];
};

// Sets up `manager` for one codec object; returns its libjpeg part.
jpeg_error_mgr *initErrors(ErrorManager &manager) noexcept;

} // namespace vellora::jpeg::detail
