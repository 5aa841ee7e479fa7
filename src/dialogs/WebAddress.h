// Whether a contact's home-page text may be handed to the shell: only web
// addresses, so that a text naming a local program or file is never run.
#pragma once

#include <string>

// True when text (surrounding blanks ignored) is an http or https address
// with a host, or a bare host name with at least one dot (optionally a
// port and a path), which gets "http://" in front. out is the address to
// open; it is emptied when the result is false.
bool MakeWebAddress(const std::string& text, std::string& out);
