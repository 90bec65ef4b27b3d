// The user's words for why a picture could not be read: the decoders and
// readers explain in English (their messages also go to logs and the
// command line); the window says it in Japanese.
#pragma once

#include <QString>

namespace vellora {

// A Japanese sentence for a decoder's or reader's problem text; a general
// one for texts it does not know.
QString ReadProblemText(const QString &problem);

} // namespace vellora
