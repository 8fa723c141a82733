// `kvbrt inspect`: every file kind, the exact JSON documents, and the errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli_run.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

struct JsonCase {
    const char *what;
    std::string file;
    std::string json;
    std::string warning = "";  // the line on stderr, after "kvbrt: FILE: "
};

TEST(CliInspect, JsonForEveryKind) {
    ScratchDir dir;
    std::string pads;
    for (int i = 0; i < 15; ++i) pads += std::string(i ? "," : "") + "{\"wave\":" + (i == 2 ? "42" : "-1") + ",\"subwave\":-1}";
    const JsonCase cases[] = {
        {"wave",
         testWavePrmText("K\"\x82\xA0", "00/KICK.wav", 3),
         R"({"kind":"wave","name":"K\"あ","name_hex":"4b2282a0","path":"00/KICK.wav","category":3})"},
        {"wave with bytes that are not Shift-JIS",
         "<WvPrm>\n" + testPrmNameLines(1, "Nm", "A\xFF", 12) + "\t<Path>99/\x83\x4C.wav</Path>\n</WvPrm>\n",
         R"({"kind":"wave","name":"A)" "\xEF\xBF\xBD" R"(","name_hex":"41ff","path":"99/キ.wav","category":0})"},
        {"wave whose path leaves the card, shown as it is and reported",
         "<WvPrm>\n\t<Path>../../etc/x</Path>\n</WvPrm>\n",
         R"({"kind":"wave","name":"","name_hex":"","path":"../../etc/x","category":0})",
         "damaged \"Path\" value \"../../etc/x\" (not a two-digit data folder and a plain file name)"},
        {"categories",
         testTagListText({{"SNARE", 2}, {"DEFAULT", -5}}),
         R"({"kind":"categories","categories":[{"name":"SNARE","name_hex":"534e415245","order":2},)"
         R"({"name":"DEFAULT","name_hex":"44454641554c54","order":0}],"has_default":true})"},
        {"empty category list", "<TagList>\n</TagList>\n",
         R"({"kind":"categories","categories":[],"has_default":false})"},
        {"kit", testKitText("New Kit ", "\x83\x4C", {{-1, -1}, {-1, -1}, {42, -1}}), R"({"kind":"kit","name":"New Kit ","subname":"キ","pads":[)" + pads + "]}"},
        {"wave list by name", "<WvListSortbyName>\n\t<Wv>17</Wv>\n\t<Wv>3</Wv>\n</WvListSortbyName>\n",
         R"({"kind":"wavelist","root":"WvListSortbyName","lists":[[17,3]]})"},
        {"wave list by category",
         "<WvListSortbyNum_Tag>\n\t<WvList>\n\t\t<Wv>3</Wv>\n\t\t<Wv>17</Wv>\n\t</WvList>\n\t<WvList>\n\t</WvList>\n"
         "</WvListSortbyNum_Tag>\n",
         R"({"kind":"wavelist","root":"WvListSortbyNum_Tag","lists":[[3,17],[]]})"},
        {"kind from the root, not from nested elements",
         "<WvListSortbyName_Tag>\n\t<WvList>\n\t\t<Wv>5</Wv>\n\t</WvList>\n<WvPrm></WvPrm></WvListSortbyName_Tag>\n",
         R"({"kind":"wavelist","root":"WvListSortbyName_Tag","lists":[[5]]})"},
        // Not a parameter file (no document): one line naming the file, exit 1.
        {"plain text", "hello\n", ""},
        {"root without its close tag", "<KitPrm>\n\t<Nm0>1</Nm0>\n", ""},
        {"root in another case", "<wvprm></wvprm>\n", ""},
        {"empty", "", ""},
    };
    for (const auto &c : cases) {
        std::string path = dir / "file.kvb";
        ASSERT_TRUE(testWriteFile(path, c.file));
        for (const auto &args : {std::vector<std::string>{"inspect", path, "--json"}, {"inspect", path}}) {
            CliResult r = cliRun(args);
            EXPECT_EQ(r.status, c.json.empty() ? 1 : 0) << c.what << ": " << r.err;
            if (c.json.empty()) {
                // One line naming the file, and nothing on standard output.
                EXPECT_TRUE(r.out.empty() && r.err.rfind("kvbrt: " + path + ": ", 0) == 0 &&
                            std::count(r.err.begin(), r.err.end(), '\n') == 1)
                    << c.what << ": " << r.out << r.err;
                continue;
            }
            EXPECT_EQ(r.err, c.warning.empty() ? "" : "kvbrt: " + path + ": " + c.warning + "\n") << c.what;
            // The plain text is no JSON.
            EXPECT_TRUE(args.size() == 3 ? r.out == c.json + "\n" : !r.out.empty() && r.out.find('{') == std::string::npos)
                << c.what << ": " << r.out;
        }
    }
    EXPECT_TRUE(cliRefused({"inspect", dir / "absent.kvb", "--json"}, 1, "absent.kvb"));
    EXPECT_TRUE(cliRefused({"inspect", dir.path()}, 1, dir.path()));
    EXPECT_EQ(cliRun({"inspect"}).status, 2);
}

}  // namespace
