// What a layout in JSON is told when it cannot be read: the details that
// follow the file's name (and the key's) in the callers' messages.
#pragma once

namespace keylayout::text {

inline constexpr const char* JSON_NOT_OBJECT
    = "the top level must be an object with format, version, systemConfig, mcrConfig and keys";
inline constexpr const char* JSON_FORMAT = "format must be \"%s\"";
inline constexpr const char* JSON_VERSION = "version must be an integer";
inline constexpr const char* JSON_NEWER
    = "format version %lld is newer than this lodemar-cli reads (up to %d)";
inline constexpr const char* JSON_TEXT_TYPE = "text must be a string";
inline constexpr const char* JSON_TEXT_KIND
    = "text is for string keys (kind 3) only; give the content in hexadecimal";
inline constexpr const char* JSON_TEXT_CHARACTER
    = "text character U+%04X at offset %zu cannot be stored (U+0001..U+00F9 only)";
inline constexpr const char* JSON_TEXT_LONG = "text has %zu characters, more than 255";
inline constexpr const char* JSON_TEXT_DISAGREES = "text and content are both given and disagree";
inline constexpr const char* JSON_NO_CONTENT = "content is missing (a string key may give text instead)";
inline constexpr const char* JSON_MISSING = "%s is missing";
inline constexpr const char* JSON_SETTING = "%s must be an integer 0..249";
inline constexpr const char* JSON_KEYS = "keys must be an array";
inline constexpr const char* JSON_KEY_OBJECT = "must be an object";
inline constexpr const char* JSON_KEY_NUMBER = "keyNumber must be an integer 0..127";
inline constexpr const char* JSON_NO_KEY = "keyNumber or caption is missing";
inline constexpr const char* JSON_CAPTION
    = "caption must be the caption of a key cap, \"1\"..\"95\", \"L\", \"R\", \"S\", \"X\" or \"Z\"";
inline constexpr const char* JSON_CAPTION_DISAGREES
    = "keyNumber %d and caption \"%s\" (key number %d) name different keys";
// After a problem that version 2 of the format would not have had. %s: the
// field that version 2 reads ("caption", "text").
inline constexpr const char* JSON_READ_AS_VERSION_1
    = "%s (the file has no \"format\" field and was read as version 1, which ignores %s; "
      "add \"format\": \"lodemar-key-table\", \"version\": 2)";
inline constexpr const char* JSON_DUPLICATE = "listed twice";
inline constexpr const char* JSON_KIND = "kind must be an integer 0..249";
inline constexpr const char* JSON_CONTENT_TYPE = "content must be a string of hexadecimal byte pairs";
inline constexpr const char* JSON_CONTENT_LONG = "content has %zu bytes, more than 255";
inline constexpr const char* JSON_CONTENT_MARKER
    = "content byte 0x%02X at offset %zu: bytes 0xFA and above cannot be stored";
inline constexpr const char* JSON_CONTENT_NUL = "content byte 0x00 at offset %zu would end the content";
// %s: the other key's name.
inline constexpr const char* JSON_SHARED_CONFLICT = "differs from %s, which shares its slot (5,18)";

} // namespace keylayout::text
