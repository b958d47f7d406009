// Element nesting of an XML text, measured before it is handed to rapidxml.
//
// rapidxml descends recursively, one set of stack frames per open element, so a
// body of a hundred thousand nested elements exhausts the stack. This scan reads
// the text with the same grammar as rapidxml's parse<0> (comments, CDATA,
// processing instructions, DOCTYPE and quoted attribute values included, so
// none of them can hide or fake a closing tag) without recursion.
#pragma once

#include <cstddef>

namespace objstore {

// The deepest element nesting rapidxml would descend to while parsing the
// zero-terminated text: 1 for "<a/>" or "<a>x</a>", 2 for "<a><b/></a>". Where
// the text is malformed the scan ends, as the parser stops with an error there.
size_t DeepestXmlNesting(const char* text);

}  // namespace objstore
