// Percent-encoding of the texts that go into a request's query: titles, server passwords,
// Live365 member names and passwords.
#pragma once

#include <string>
#include <string_view>

namespace spinwave {

// Copies ASCII letters, digits and the five characters "-", "_", ".", "*" and "@" unchanged and
// writes every other byte as "%" and two upper-case hexadecimal digits: the 28 punctuation
// characters from space to backslash ("&" becomes "%26", "/" "%2F", "~" "%7E"), and also
// control bytes (a line break in a tag must not end the request line early) and every byte
// above 127 (a raw non-ASCII byte is not valid in a request line; servers decode "%C3%A9" back to
// the same UTF-8 bytes). No character set conversion takes place.
std::string EncodeQueryText(std::string_view text);

}  // namespace spinwave
