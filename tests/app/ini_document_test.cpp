#include <gtest/gtest.h>

#include "settings_file.h"

using rq36::IniDocument;

TEST(IniDocument, LookupRules) {
    const IniDocument doc = IniDocument::FromBytes(
        "volny=0\r\n[A]\r\n;k=comment\r\nk = first \r\nk=second\r\n'q'='x'\r\nd=\"quoted \"\r\nodd=\"x\r\n"
        "[a]\r\nk=other section\r\n[B] trailing\r\n\tk\t=\tb\r\n[]\r\n=empty\r\n");
    EXPECT_EQ(doc.Value("A", "k"), "first");  // first key of the first section
    EXPECT_EQ(doc.Value("A", "d"), "quoted ");
    EXPECT_EQ(doc.Value("A", "odd"), "\"x");
    EXPECT_EQ(doc.Value("A", "'q'"), "x");
    EXPECT_EQ(doc.Value("b", "K"), "b");
    EXPECT_FALSE(doc.Value("A", ";k").has_value());  // a comment, not a key
    EXPECT_FALSE(doc.Value("", "volny").has_value());  // keys before any section belong nowhere
    EXPECT_FALSE(doc.Value("C", "k").has_value());
    EXPECT_FALSE(doc.Value("A", "missing").has_value());
}

TEST(IniDocument, WritesInPlaceAtSectionEndOrNewSection) {
    IniDocument doc = IniDocument::FromBytes("[A]\nk=1\n; note\n\n\n[B]\nz=9");
    doc.SetValue("a", "K", "2");     // replaced where it stands, in the given spelling
    doc.SetValue("A", "new", "3");   // after the section's last line, before the blank lines
    doc.SetValue("B", "y", "4");     // the last line gets a line end now
    doc.SetValue("C", "c", "5");
    EXPECT_EQ(doc.ToBytes(), QByteArray("[A]\nK=2\r\n; note\nnew=3\r\n\n\n[B]\nz=9\r\ny=4\r\n\r\n[C]\r\nc=5\r\n"));
    EXPECT_EQ(doc.Value("A", "k"), "2");
    EXPECT_EQ(doc.Value("c", "C"), "5");

    IniDocument empty = IniDocument::FromBytes({});
    EXPECT_EQ(empty.LineCount(), 0);
    empty.SetValue("S", "k", "v");
    EXPECT_EQ(empty.ToBytes(), QByteArray("[S]\r\nk=v\r\n"));
}

TEST(IniDocument, UntouchedBytesSurviveExactly) {
    QByteArray bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    bytes += "\r\n\xF0\x9F\x98\x80\r\r\n";
    const IniDocument doc = IniDocument::FromBytes(bytes);
    EXPECT_EQ(doc.ToBytes(), bytes);
}
