// URL routines on 8-bit strings by plain character search: nothing is decoded
// (except by HTMLToDos) and nothing fails.
#pragma once

#include <string>
#include <string_view>

// The URL up to and including its last '/' (a '/' is appended when there is none).
std::string GetBase(std::string_view url);
// `rel` resolved against `base`; "../" never climbs above the root.
std::string Combine(std::string_view base, std::string_view rel);
std::string Normalize(std::string_view url);
bool IsFullURL(std::string_view url);
std::string GetProtocol(std::string_view url);
std::string GetURLExtension(std::string_view url);
std::string GetURLFilenameAndExt(std::string_view url);
void ParseURL(std::string_view url, std::string& proto, std::string& user, std::string& pass,
              std::string& host, std::string& port, std::string& path);
// 'C:\Docs\a.htm' to 'C|/Docs/a.htm'.
std::string DosToHTML(std::string_view s);
// 'file:///C|/dir/a%20b.htm' to 'C:\dir\a b.htm'.
std::string HTMLToDos(std::string_view name);
std::string HTMLServerToDos(std::string_view name, std::string_view serverRoot);
