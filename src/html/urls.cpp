#include "html/urls.h"

#include <vector>

#include "framework/sysutils.h"

namespace {

constexpr size_t npos = std::string::npos;

std::string_view BeforeQuery(std::string_view url) {
    const size_t q = url.find('?');
    return q == npos ? url : url.substr(0, q);
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && CompareText(s.substr(0, prefix.size()), prefix) == 0;
}

size_t FindNoCase(std::string_view s, std::string_view sought) {
    const std::string lower = LowerCase(s);
    return lower.find(LowerCase(sought));
}

// Removes every "seg/../" after the root (`root` characters, ending with the
// root's '/'), and a "../" right after the root, as repeated first-match
// removal would, in one pass.
std::string ClimbDotDots(const std::string& s, size_t root) {
    std::string out = s.substr(0, root);
    std::vector<std::string_view> parts;
    std::string_view rest = std::string_view(s).substr(root);
    size_t start = 0;
    for (;;) {
        const size_t slash = rest.find('/', start);
        if (slash == npos) {
            parts.push_back(rest.substr(start));
            break;
        }
        const std::string_view part = rest.substr(start, slash - start);
        // Every part here is preceded by a '/' (the root's or the previous
        // part's), so ".." with a '/' after it is a "/../".
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += '/';
        out += parts[i];
    }
    return out;
}

std::string CollapseDotSlash(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '/' && out.size() >= 2 && out.back() == '.' && out[out.size() - 2] == '/') {
            out.pop_back();  // "/./" becomes "/"
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace

std::string GetBase(std::string_view url) {
    std::string s = Trim(url);
    s = std::string(BeforeQuery(s));
    const size_t dslash = s.find("//");
    const size_t from = dslash == npos ? 1 : dslash + 2;
    const size_t last = s.rfind('/');
    if (last != npos && last >= from) return s.substr(0, last + 1);
    return s + "/";
}

std::string Combine(std::string_view baseIn, std::string_view relIn) {
    std::string base = Trim(baseIn);
    const std::string proto = GetProtocol(base);
    // root: count of characters up to and including the root's '/'; 0 when unknown.
    size_t root = 0;
    if (StartsWithNoCase(base, "file:///")) {
        const size_t slash = base.find('/', 8);
        root = slash == npos ? 8 : slash + 1;
    } else if (const size_t colon = base.find("://"); colon != npos) {
        const size_t slash = base.find('/', colon + 3);
        // Without a '/' after the host the root ends after the '/' appended below,
        // so '/x' and '../x' stay on the host.
        root = slash == npos ? 0 : slash + 1;
    } else if (const size_t slash = base.find('/'); slash != npos) {
        root = slash + 1;
    }
    if (root) {
        if (base.empty() || base.back() != '/') base += '/';
    } else {
        base += '/';
        root = base.size();
    }
    const std::string rel = Trim(relIn);
    std::string result;
    if (rel.empty() || rel[0] != '/')
        result = base + rel;
    else if (rel.size() >= 2 && rel[1] == '/')
        result = proto == "file" ? "file:///" + rel : proto + ":" + rel;
    else
        result = base.substr(0, root) + rel.substr(1);
    if (root > result.size()) root = result.size();
    return CollapseDotSlash(ClimbDotDots(result, root));
}

std::string Normalize(std::string_view url) {
    std::string s = Trim(url);
    std::string query;
    if (const size_t q = s.find('?'); q != npos) {
        query = s.substr(q);
        s.resize(q);
    }
    if (StartsWithNoCase(s, "file://")) s = DosToHTML(s);
    if (GetProtocol(s).empty()) s = "http://" + s;
    s = CollapseDotSlash(s);
    const size_t dslash = s.find("//");
    if (dslash != npos && s.find('/', dslash + 2) == npos) s += '/';
    return s + query;
}

bool IsFullURL(std::string_view url) {
    const std::string_view s = BeforeQuery(url);
    const size_t colon = s.find("://");
    if (colon != npos && s.find('/') == colon + 1) return true;
    return LowerCase(s).find("mailto:") != npos;
}

std::string GetProtocol(std::string_view url) {
    std::string proto, user, pass, host, port, path;
    ParseURL(BeforeQuery(url), proto, user, pass, host, port, path);
    return LowerCase(proto);
}

std::string GetURLExtension(std::string_view url) {
    const std::string_view s = BeforeQuery(url);
    const size_t stop = s.size() > 6 ? s.size() - 6 : 0;
    for (size_t i = s.size(); i > stop; --i)
        if (s[i - 1] == '.') return std::string(s.substr(i));
    return {};
}

std::string GetURLFilenameAndExt(std::string_view url) {
    const size_t slash = url.rfind('/');
    if (slash == npos) return std::string(url);
    return std::string(url.substr(slash + 1, 255));
}

void ParseURL(std::string_view url, std::string& proto, std::string& user, std::string& pass,
              std::string& host, std::string& port, std::string& path) {
    proto.clear(); user.clear(); pass.clear(); host.clear(); port.clear(); path.clear();
    if (url.empty()) return;
    std::string_view rest = url;
    if (const size_t p = url.find("://"); p != npos) {
        proto = url.substr(0, p);
        rest = url.substr(p + 3);
    } else if (url[0] == '/') {
        proto = "http";
        if (url.size() < 2 || url[1] != '/') {
            path = url;
            return;
        }
        rest = url.substr(1);
    } else if (StartsWithNoCase(url, "mailto:")) {
        proto = "mailto";
        rest = url.substr(url.find(':') + 1);
    } else if (StartsWithNoCase(url, "http:")) {
        proto = "http";
        rest = url.substr(url.size() < 6 ? url.size() : 6);
    }
    std::string_view authority = rest;
    if (const size_t slash = rest.find('/'); slash != npos) {
        path = rest.substr(slash);
        authority = rest.substr(0, slash);
    }
    const size_t colon = authority.rfind(':');
    const size_t at = authority.rfind('@');
    if (colon == npos && at == npos) {
        host = authority;
        return;
    }
    if (colon != npos && (at == npos || colon > at)) {
        port = authority.substr(colon + 1);
        const size_t hostStart = at == npos ? 0 : at + 1;
        host = authority.substr(hostStart, colon - hostStart);
    } else {
        host = authority.substr(at + 1);
    }
    if (at != npos) {
        const std::string_view userPart = authority.substr(0, at);
        const size_t split = userPart.find(':');
        user = userPart.substr(0, split);
        if (split != npos) pass = userPart.substr(split + 1);
    }
}

std::string DosToHTML(std::string_view s) {
    const size_t colon = s.find("://");
    std::string out(s);
    for (char& c : out) {
        if (c == ':') c = '|';
        else if (c == '\\') c = '/';
    }
    if (colon != npos) out[colon] = ':';
    return out;
}

std::string HTMLToDos(std::string_view name) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    // Percent escapes: a decoded '%' is examined again, as repeated
    // first-'%' decoding would; a '%' at the very start or a bad pair ends it.
    std::string in(name);
    std::string s;
    s.reserve(in.size());
    size_t i = 0;
    while (i < in.size()) {
        if (in[i] != '%') {
            s += in[i++];
            continue;
        }
        if (s.empty() || i + 2 >= in.size() || hex(in[i + 1]) < 0 || hex(in[i + 2]) < 0) break;
        in[i + 2] = static_cast<char>(hex(in[i + 1]) * 16 + hex(in[i + 2]));
        i += 2;
    }
    s.append(in, i, npos);
    if (s.find('/') != npos) {
        if (const size_t p = FindNoCase(s, "file:///"); p != npos)
            s.erase(p, 8);
        else if (const size_t p2 = FindNoCase(s, "file://"); p2 != npos)
            s.erase(p2, 7);
        for (char& c : s) {
            if (c == '|') c = ':';
            else if (c == '/') c = '\\';
        }
    }
    return s;
}

std::string HTMLServerToDos(std::string_view name, std::string_view serverRoot) {
    std::string s = Trim(HTMLToDos(name));
    if (!s.empty() && !serverRoot.empty() && s.rfind("\\\\", 0) != 0 && !(s.size() > 1 && s[1] == ':') &&
        s[0] == '\\')
        s = std::string(serverRoot) + s;
    return s;
}
