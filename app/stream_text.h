// Texts the audio classes show to scripts: titles from file and module names, the server's
// header lines, titles from stream metadata (ICY "StreamTitle='...';" texts and Ogg comment
// lists), and the conversion that makes every such text valid UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace ZTools {

// The last path component ('\' or '/' separate folders) without its last extension.
std::string ZTitleFromFileName(std::string_view name);

// The extent of a list of zero-terminated texts ended by an empty text, as the engine hands
// out tag lists; the view includes every text's terminator but not the final empty text.
std::string_view ZTagListView(const char* list);

// All texts of a header list, each followed by a line feed; "" for a missing list.
std::string ZStreamInfoFromList(const char* list);

// Applies one metadata text to `title`. `list` holds one or more zero-terminated texts (the
// last terminator may be missing); nothing outside the view is read. A first text containing
// "StreamTitle='" sets the title to what follows up to "';" (no "';": unchanged); otherwise
// the first text beginning with "TITLE=" (any case) sets it. Returns whether it was set.
bool ZTitleFromMetadata(std::string_view list, std::string& title);

// Valid UTF-8 is returned as it is; anything else is read as Windows-1252.
std::string ZToUtf8(std::string_view raw);

}  // namespace ZTools
