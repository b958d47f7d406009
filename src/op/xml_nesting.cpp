#include "op/xml_nesting.h"

#include <cstring>

namespace objstore {
namespace {

// Character classes of rapidxml's parser.
bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool IsElementNameChar(char c) {
    return c != '\0' && !IsSpace(c) && c != '/' && c != '>' && c != '?';
}

bool IsAttributeNameChar(char c) {
    return c != '\0' && !IsSpace(c) && std::strchr("/<>=?!", c) == nullptr;
}

const char* SkipSpace(const char* p) {
    while (IsSpace(*p)) ++p;
    return p;
}

// Past the next occurrence of terminator, or nullptr when the text ends first.
const char* SkipPast(const char* p, const char* terminator) {
    const char* found = std::strstr(p, terminator);
    return found == nullptr ? nullptr : found + std::strlen(terminator);
}

bool StartsWith(const char* p, const char* prefix) {
    return std::strncmp(p, prefix, std::strlen(prefix)) == 0;
}

// DOCTYPE body up to its '>', with bracketed parts skipped as rapidxml does.
const char* SkipDoctype(const char* p) {
    while (*p != '>') {
        if (*p == '\0') return nullptr;
        if (*p++ != '[') continue;
        for (int depth = 1; depth > 0; ++p) {
            if (*p == '\0') return nullptr;
            if (*p == '[') ++depth;
            if (*p == ']') --depth;
        }
    }
    return p + 1;
}

enum class Node { kOther, kEmptyElement, kOpenElement };

// A start tag after its '<'. Returns the text after the tag, or nullptr when the
// parser would fail here; kind tells whether the element has contents.
const char* SkipStartTag(const char* p, Node* kind) {
    const char* name = p;
    while (IsElementNameChar(*p)) ++p;
    if (p == name) return nullptr;
    p = SkipSpace(p);
    while (IsAttributeNameChar(*p)) {
        while (IsAttributeNameChar(*p)) ++p;
        p = SkipSpace(p);
        if (*p != '=') return nullptr;
        p = SkipSpace(p + 1);
        const char quote = *p;
        if (quote != '"' && quote != '\'') return nullptr;
        p = std::strchr(p + 1, quote);
        if (p == nullptr) return nullptr;
        p = SkipSpace(p + 1);
    }
    if (*p == '>') {
        *kind = Node::kOpenElement;
        return p + 1;
    }
    if (p[0] == '/' && p[1] == '>') {
        *kind = Node::kEmptyElement;
        return p + 2;
    }
    return nullptr;
}

// Any node after its '<' other than a closing tag: returns the text after it,
// or nullptr when the parser would fail.
const char* SkipNode(const char* p, Node* kind) {
    *kind = Node::kOther;
    if (*p == '?') return SkipPast(p + 1, "?>");  // declaration or processing instruction
    if (*p != '!') return SkipStartTag(p, kind);
    if (StartsWith(p, "!--")) return SkipPast(p + 3, "-->");
    if (StartsWith(p, "![CDATA[")) return SkipPast(p + 8, "]]>");
    if (StartsWith(p, "!DOCTYPE") && IsSpace(p[8])) return SkipDoctype(p + 9);
    return SkipPast(p + 1, ">");  // other "<!" nodes
}

}  // namespace

size_t DeepestXmlNesting(const char* text) {
    const char* p = StartsWith(text, "\xEF\xBB\xBF") ? text + 3 : text;
    size_t depth = 0;
    size_t deepest = 0;
    while (p != nullptr) {
        if (depth == 0) {
            // Document level: only whitespace between nodes.
            p = SkipSpace(p);
            if (*p != '<') break;  // end of text, or an error
            ++p;
        } else {
            // Element contents: text up to the next '<'.
            p = std::strchr(p, '<');
            if (p == nullptr) break;
            if (p[1] == '/') {
                p += 2;
                while (IsElementNameChar(*p)) ++p;
                p = SkipSpace(p);
                if (*p != '>') break;
                ++p;
                --depth;
                continue;
            }
            ++p;
        }
        Node kind = Node::kOther;
        p = SkipNode(p, &kind);
        if (p == nullptr || kind == Node::kOther) continue;
        if (depth + 1 > deepest) deepest = depth + 1;
        if (kind == Node::kOpenElement) ++depth;
    }
    return deepest;
}

}  // namespace objstore
