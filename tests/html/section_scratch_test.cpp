// What reading a page leaves behind once the document is cleared.
#include <gtest/gtest.h>

#include <string>

#include "framework/small_heap.h"
#include "html/parser_entry.h"
#include "html/section_list.h"

TEST(SectionScratch, ALongParagraphLeavesNothingOnceTheDocumentIsCleared) {
    // Collapsed spaces and an entity make the section remap its text and
    // keep a map back to the source: every scratch buffer is used.
    std::string paragraph = "<p>";
    while (paragraph.size() < (4u << 20)) paragraph += "word  &amp; ";
    TSectionList doc(nullptr);
    ParseHTMLString("<p>a  &amp; b", &doc, {});  // what any first page sets up
    doc.Clear();
    const std::size_t before = HeapBytesInUse();
    ParseHTMLString(paragraph, &doc, {});
    doc.Clear();
    EXPECT_LE(HeapBytesInUse(), before + 256 * 1024) << HeapBytesInUse() - before;
}
