// The tag dialect: how bytes split into elements, how documents are edited and
// written back, and what a failed write leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/mem.h"
#include "support/test_util.h"
#include "support/write_faults.h"
#include "wavelib/xml.h"

namespace {

const uint8_t *bytes(const std::string &s) { return reinterpret_cast<const uint8_t *>(s.data()); }

// The elements of a document as "O:name:level V:text:level C:name:level".
std::string describe(const _sXML *xml) {
    std::string out;
    for (auto *e = xmlGetFirstElementPtr(xml); e; e = e->next) {
        if (!out.empty()) out += ' ';
        out += e->type == XML_ELEMENT_OPEN ? "O:" : e->type == XML_ELEMENT_CLOSE ? "C:" : "V:";
        out += e->text;
        out += ':' + std::to_string(e->level);
    }
    return out;
}

std::string parse(const std::string &text) {
    _sXML *xml = xmlOpenMemory(bytes(text), text.size(), nullptr);
    std::string d = describe(xml);
    xmlDispose(xml);
    return d;
}

const std::string kThreeLines = "<WvPrm>\n\t<Nm0>65</Nm0>\n</WvPrm>\n";

struct ParseCase {
    const char *what;
    std::string input;
    std::string elements;
};

TEST(XmlRead, Tokenising) {
    const std::string longName(40, 'T');
    const std::string longValue(300, 'v');
    const ParseCase cases[] = {
        {"three lines", kThreeLines, "O:WvPrm:0 O:Nm0:1 V:65:0 C:Nm0:0 C:WvPrm:0"},
        {"line feed inside a value", "<Tag>6\n5</Tag>", "O:Tag:0 V:65:0 C:Tag:0"},
        {"spaces kept in values and names", "<Tag> 65 </Tag ><Nm0 >", "O:Tag:0 V: 65 :0 C:Tag :0 O:Nm0 :0"},
        {"text after the last > dropped", "<A>1</A>\ntrailing words", "O:A:0 V:1:0 C:A:0"},
        {"levels of a pad line", "\t\t<Wv>12</Wv>\n\t</PadPrm>", "O:Wv:2 V:12:0 C:Wv:0 C:PadPrm:1"},
        {"tabs inside a value count for the value", "<A>1\t\t2</A>", "O:A:0 V:12:2 C:A:0"},
        {"tabs inside a tag count for the tag", "<\tA>", "O:A:1"},
        {"stray > is a value", "><A>", "V:>:0 O:A:0"},
        {"lone < and </ make empty names", "<</<A>", "O::0 C::0 O:A:0"},
        {"tag cut off by the next <", "<Nm0<B>", "O:Nm:0 O:B:0"},
        {"tag longer than 35 bytes is cut", "<" + longName + ">x</" + longName + ">",
         "O:" + longName.substr(0, 35) + ":0 V:x:0 C:" + longName.substr(0, 35) + ":0"},
        {"token longer than the pending buffer", "<A>" + longValue + "</A><B>2</B>",
         "O:A:0 V:" + longValue.substr(0, 35) + ":0 C:A:0 O:B:0 V:2:0 C:B:0"},
        {"over-long tag token keeps step", "<" + longValue + "><B>", "O:" + longValue.substr(0, 35) + ":0 O:B:0"},
    };
    for (const auto &c : cases) EXPECT_EQ(parse(c.input), c.elements) << c.what;
}

TEST(XmlRead, RootCheckIsAnExactByteSearchAndUnreadableFilesGiveNothing) {
    struct {
        const char *text;
        bool accepted;
    } cases[] = {
        {"<KitPrm>\n</KitPrm>\n", true},
        {"</KitPrm><KitPrm>", true},           // order does not matter
        {"<KitPrm>\n\t<Nm0>1</Nm0>\n", false},  // no close tag
        {"<kitprm></kitprm>", false},           // case matters here alone
        {"<KitPrm ></KitPrm>", false},
    };
    for (const auto &c : cases) {
        _sXML *xml = xmlOpenMemory(reinterpret_cast<const uint8_t *>(c.text), std::strlen(c.text), "KitPrm");
        EXPECT_EQ(xml != nullptr, c.accepted) << c.text;
        xmlDispose(xml);
    }
    // A missing file and a folder give nothing either.
    ScratchDir dir;
    EXPECT_EQ(xmlOpen((dir / "absent.kvb").c_str(), nullptr), nullptr);
    EXPECT_EQ(xmlOpen(dir.path().c_str(), nullptr), nullptr);
}

TEST(XmlRead, AllocationFailureLosesOnlyElements) {
    for (long n = 1; n < 20; ++n) {
        memTestFailNth(n, false);
        _sXML *xml = xmlOpenMemory(bytes(kThreeLines), kThreeLines.size(), "WvPrm");
        memTestFailNth(0, false);
        if (n == 1) {
            EXPECT_EQ(xml, nullptr);
        } else {
            ASSERT_NE(xml, nullptr);
            EXPECT_EQ(rliListCount(&xml->elements), n <= 6 ? 4 : 5) << n;
            EXPECT_EQ(xml->lostElements, n <= 6 ? 1 : 0) << n;
        }
        xmlDispose(xml);
    }
}

TEST(XmlEdit, SetValueCountsOccurrencesOfAnyCase) {
    const std::string text = "<K><Wv>0</Wv><WV>1</WV><Wv></Wv><wv>3</wv><SubWv>9</SubWv><Wv>4</Wv></K>";
    _sXML *xml = xmlOpenMemory(bytes(text), text.size(), "K");
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xmlSetValue(xml, "wv", 77, 3), 0);   // the fourth "Wv" tag
    EXPECT_EQ(xmlSetValue(xml, "Wv", 55, 2), -1);  // the third has no value
    EXPECT_EQ(xmlSetValue(xml, "Wv", "x", 5), -1);
    EXPECT_EQ(xmlFindTag(xml, "WV", 4), 0);
    EXPECT_EQ(xmlFindTag(xml, "Wv", 5), -1);
    EXPECT_EQ(xmlToText(xml), "<K><Wv>0</Wv>\n<WV>1</WV>\n<Wv></Wv>\n<wv>77</wv>\n<SubWv>9</SubWv>\n<Wv>4</Wv>\n</K>\n");
    xmlDispose(xml);
}

TEST(XmlEdit, AddsKeepTheRootCloseLastAndAFailedOneLeavesTheDocumentUnchanged) {
    _sXML *xml = xmlCreate("WvPrm");
    ASSERT_NE(xml, nullptr);
    for (long n = 1; n <= 3; ++n) {
        memTestFailNth(n, false);
        EXPECT_EQ(xmlAddValue(xml, "Tag", 3, 1), -1);
        memTestFailNth(0, false);
        EXPECT_EQ(describe(xml), "O:WvPrm:0 C:WvPrm:0");
    }
    // A value that would not read back as written is refused, not cut or split.
    const std::string tooLong(36, 'v');
    for (const char *text : {"a<b", "a>", "a\tb", "a\nb", "\x1f", "\x7f", tooLong.c_str()}) {
        EXPECT_EQ(xmlAddValue(xml, "Path", text, 1), -1) << text;
        EXPECT_EQ(describe(xml), "O:WvPrm:0 C:WvPrm:0");
    }
    const std::string longest(35, 'v');
    ASSERT_EQ(xmlAddValue(xml, "Path", longest.c_str(), 1), 0);
    EXPECT_EQ(xmlSetValue(xml, "Path", "a<b", 0), -1);
    // What is added goes before the root's close, container tags on lines of their own.
    EXPECT_EQ(xmlAddValue(xml, "Nm0", 65, 1), 0);
    EXPECT_EQ(xmlAddTag(xml, "PadPrm", 0, 1), 0);
    EXPECT_EQ(xmlAddValue(xml, "Path", "00/A.wav", 2), 0);
    EXPECT_EQ(xmlAddTag(xml, "PadPrm", 1, 1), 0);
    EXPECT_EQ(describe(xml), "O:WvPrm:0 O:Path:1 V:" + longest + ":0 C:Path:0 O:Nm0:1 V:65:0 C:Nm0:0 " +
                                 "O:PadPrm:1 O:Path:2 V:00/A.wav:0 C:Path:0 C:PadPrm:1 C:WvPrm:0");
    EXPECT_EQ(xmlToText(xml), "<WvPrm>\n\t<Path>" + longest + "</Path>\n\t<Nm0>65</Nm0>\n" +
                                  "\t<PadPrm>\n\t\t<Path>00/A.wav</Path>\n\t</PadPrm>\n</WvPrm>\n");
    xmlDispose(xml);
}

// A document read with its root named saves back exactly; a failed save keeps the old file.
TEST(XmlSave, SavesBackIdenticallyAndAFailedWriteKeepsTheOldFile) {
    _sXML *xml = xmlOpenMemory(bytes(kThreeLines), kThreeLines.size(), "WvPrm");
    ASSERT_NE(xml, nullptr);
    testWriteFailures("xml", "old bytes", [&](const char *path) { return xmlSave(xml, path); }, kThreeLines);
    xmlDispose(xml);
}

}  // namespace
