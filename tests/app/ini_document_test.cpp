#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>

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
    EXPECT_FALSE(doc.Value("A", ";k").has_value());    // a comment, not a key
    EXPECT_FALSE(doc.Value("", "volny").has_value());  // keys before any section belong nowhere
    EXPECT_FALSE(doc.Value("C", "k").has_value());
    EXPECT_FALSE(doc.Value("A", "missing").has_value());
}

TEST(IniDocument, WritesInPlaceAtSectionEndOrNewSection) {
    IniDocument doc = IniDocument::FromBytes("[A]\nk=1\n; note\n\n\n[B]\nz=9");
    doc.SetValue("a", "K", "2");    // replaced where it stands, in the given spelling
    doc.SetValue("A", "new", "3");  // after the section's last line, before the blank lines
    doc.SetValue("B", "y", "4");    // the last line gets a line end now
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

TEST(IniDocument, LineAfterALoneCarriageReturnStartsAfresh) {
    // A CR LF file cut between CR and LF: the key added after its last line
    // must not join that line.
    IniDocument doc = IniDocument::FromBytes("[P]\r\nR=COMx\r\nX=1\r");
    doc.SetValue("P", "Adresa", "5");
    const IniDocument back = IniDocument::FromBytes(doc.ToBytes());
    EXPECT_EQ(back.Value("P", "Adresa"), "5");
    EXPECT_EQ(back.Value("P", "X"), "1");
}

// Random files of INI-like fragments: a value written reads back as written
// (control characters aside), and setting every key to the value it reads
// changes no byte, so a load and a save without an edit keep the file.
TEST(IniDocument, ValuesReadBackAndUnchangedValuesKeepTheFile) {
    const char* const fragments[] = {"[S]", "[T]", "k",    "K",  "j",  "=", " ",    "\t",   "\"", "'",
                                     "x",   "1",   "\r\n", "\n", "\r", ";", "\xE8", "\x01", "[",  "]"};
    const char* const valueParts[] = {"\"", "'", " ", "x", "\t", "=", "\xC5\x99", "\"\"", "a b"};
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        for (std::uint32_t i = next(40); i > 0; --i) bytes += fragments[next(std::size(fragments))];
        const IniDocument original = IniDocument::FromBytes(bytes);
        IniDocument same = original;
        for (const char* section : {"S", "T"})
            for (const char* key : {"k", "j"})
                if (const auto value = original.Value(section, key)) same.SetValue(section, key, *value);
        ASSERT_EQ(same.ToBytes(), bytes) << bytes.toPercentEncoding().constData();

        QString value;
        for (std::uint32_t i = next(5); i > 0; --i) value += QString::fromUtf8(valueParts[next(std::size(valueParts))]);
        IniDocument changed = original;
        changed.SetValue("S", "k", value);
        const QByteArray saved = changed.ToBytes();
        IniDocument reread = IniDocument::FromBytes(saved);
        QString expected = value;
        expected.replace(u'\t', u'?');
        ASSERT_EQ(reread.Value("S", "k"), expected) << saved.toPercentEncoding().constData();
        reread.SetValue("S", "k", value);
        ASSERT_EQ(reread.ToBytes(), saved);
    }
}
