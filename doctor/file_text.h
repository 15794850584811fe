#pragma once
// A settings file's bytes as text, read as the profile functions read them: its encoding, told
// by its first bytes, and its lines with their endings, so that an edit can keep every byte it
// does not mean to change. The line rules are the native stand-in's too
// (platform/profile_text.h).

#include "platform/profile_text.h"

using profile_text::decodedText;
using profile_text::detectEncoding;
using profile_text::Encoding;
using profile_text::splitLines;
using profile_text::TextLine;
