// Nesting depth of XML text as rapidxml's recursive parser would reach it.
#include <gtest/gtest.h>

#include <rapidxml.hpp>

#include <string>
#include <utility>
#include <vector>

#include "op/xml_nesting.h"

namespace objstore {
namespace {

// Depth of the element tree rapidxml builds (0 for a document without elements).
size_t ParsedDepth(std::string text) {
    rapidxml::xml_document<> doc;
    doc.parse<0>(&text[0]);
    size_t deepest = 0;
    std::vector<std::pair<const rapidxml::xml_node<>*, size_t>> pending = {{&doc, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (depth > deepest) deepest = depth;
        for (auto* child = node->first_node(); child; child = child->next_sibling()) {
            if (child->type() == rapidxml::node_element) pending.emplace_back(child, depth + 1);
        }
    }
    return deepest;
}

struct DepthCase {
    std::string text;
    size_t depth;
};

// Well-formed documents: the scan agrees with the tree rapidxml builds.
TEST(XmlNestingTest, AgreesWithTheParserOnWellFormedText) {
    const DepthCase cases[] = {
        {"", 0},
        {"  \n", 0},
        {"<a/>", 1},
        {"<a></a>", 1},
        {"<a>text</a>", 1},
        {"<a><b/><c/><d></d></a>", 2},
        {"<a><b><c>x</c></b><d/></a><e/>", 3},
        {"\xEF\xBB\xBF<a><b/></a>", 2},
        {"<?xml version=\"1.0\"?><a><b/></a>", 2},
        {"<a x=\"/>\" y='</a>'><b z = \"<c>\"/></a>", 2},
        {"<a b\"c=\">\" d='</a></a>'><e/></a>", 2},  // quotes inside an attribute name
        {"<a><!-- </a></a> <b> --><c/></a>", 2},
        {"<a><![CDATA[</a></a><b>]]><c/></a>", 2},
        {"<?pi </a><b>?><a><c/></a>", 2},
        {"<!DOCTYPE a [<!ENTITY e \"</a></a>\">]><a><b/></a>", 2},
        {"<a><!x </b>]><c/></a>", 2},
        {"<a>1 &lt; 2 &amp; &#x3C;b&#62;</a>", 1},
        {"<a\n>\t<b\r/>\n</a >", 2},
        {"<a>\xE4\xB8\xAD<b>\xFF</b></a>", 2},
    };
    for (const DepthCase& c : cases) {
        EXPECT_EQ(ParsedDepth(c.text), c.depth) << c.text;
        EXPECT_EQ(DeepestXmlNesting(c.text.c_str()), c.depth) << c.text;
    }
}

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// Text the parser rejects: the scan counts only up to the point where it stops.
TEST(XmlNestingTest, StopsWhereTheParserStops) {
    const DepthCase cases[] = {
        {"<a><b><c>", 3},
        {"<a><b", 1},
        {"Not Found", 0},
        {"</a>" + Repeat("<a>", 10), 0},
        {"<a><b x=\"unterminated>" + Repeat("<a>", 10), 1},
        {"<a><!-- unterminated" + Repeat("<a>", 10), 1},
        {"<a></a x>" + Repeat("<a>", 10), 1},
    };
    for (const DepthCase& c : cases) {
        EXPECT_EQ(DeepestXmlNesting(c.text.c_str()), c.depth) << c.text;
    }
}

TEST(XmlNestingTest, MeasuresVeryDeepTextWithoutRecursion) {
    const int depth = 200000;
    EXPECT_EQ(DeepestXmlNesting((Repeat("<a>", depth) + Repeat("</a>", depth)).c_str()),
              static_cast<size_t>(depth));
    EXPECT_EQ(DeepestXmlNesting(Repeat("<a x=\"/>\">", depth).c_str()), static_cast<size_t>(depth));
    EXPECT_EQ(DeepestXmlNesting(Repeat("<a/>", depth).c_str()), 1u);
}

}  // namespace
}  // namespace objstore
