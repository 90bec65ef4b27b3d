// The Adobe-Japan1 character identifier of a Unicode (UCS-2) code, as the
// standard UniJIS-UCS2-H code map assigns it: the CIDs a reader looks up when
// a Japanese font is not embedded, so the widths written must be keyed by them.
#pragma once

namespace vellora::pdf {

// -1 when the code has no CID.
int AdobeJapan1CID(char16_t code);

} // namespace vellora::pdf
