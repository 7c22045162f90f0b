// The Windows reader's resources: the script the compiler writes for
// windres, the files beside it, and the book's icon.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/tools/book_folder.h"

namespace tomelet {
namespace {

using bookc::compile_result;
using testing::all_diagnostics;
using testing::book_folder;
using testing::reported;
using testing::small_catalogue;
using testing::two_pages;

const std::string BITMAP("BM\x01\x02", 4);
const std::string WAVE("RIFF\x04\0\0\0WAVEdata", 16);
// An icon file's head: reserved 0, type 1, one image.
const std::string ICON("\0\0\1\0\1\0icon", 10);

// The small catalogue with an icon in [book], a bitmap of the catalogue, a
// bar bitmap and a sound with a file.
std::string catalogue_with_resources(const std::string& icon_line) {
    std::string c = small_catalogue(R"(
[[bitmap]]
resource = 1107
file = "pictures/bar.bmp"

[[sound]]
name = "WIND"
file = "sounds/wind.wav"
)");
    const std::string authors = "authors = \"Tester\"\n";
    c.replace(c.find(authors), authors.size(), authors + icon_line);
    const std::string second = "[[picture]]\nresource = 1101\n";
    c.replace(c.find(second), second.size(), second + "file = \"pictures/title.bmp\"\n");
    return c;
}

void write_resource_files(const book_folder& folder) {
    folder.write("pictures/bar.bmp", BITMAP);
    folder.write("pictures/title.bmp", BITMAP + "t");
    folder.write("sounds/wind.wav", WAVE);
    folder.write("app.ico", ICON);
    folder.write("text/a.tml", two_pages());
}

TEST(BookcResources, TheScriptNamesEveryBitmapSoundTheIconAndTheMenu) {
    book_folder folder;
    folder.write("book.toml", catalogue_with_resources("icon = \"app.ico\"\n"));
    write_resource_files(folder);
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    EXPECT_EQ(result.book->icon, std::vector<uint8_t>(ICON.begin(), ICON.end()));

    const std::string rc = bookc::generate_rc(*result.book);
    EXPECT_NE(rc.find("420 ICON \"icon.ico\"\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("1101 BITMAP \"bitmap-1101.bmp\"\n"), std::string::npos) << rc;
    EXPECT_NE(rc.find("1107 BITMAP \"bitmap-1107.bmp\"\n"), std::string::npos) << rc;
    // The sound without a file (BELL) is not a resource; WIND is the
    // second sound of the catalogue but the first with a file.
    EXPECT_NE(rc.find("\nWIND WAVE \"sound-0.wav\"\n"), std::string::npos) << rc;
    EXPECT_EQ(rc.find("BELL"), std::string::npos) << rc;
    // Picture 0 has no file: no resource 1100.
    EXPECT_EQ(rc.find("1100"), std::string::npos) << rc;

    const std::string menu =
        "MENUTOMELET MENU\nBEGIN\n    POPUP \"&Menu\"\n    BEGIN\n"
        "        MENUITEM \"Start at the &Beginning\", 500\n"
        "        MENUITEM \"&Information\", 501\n"
        "        MENUITEM \"&Restart\", 502\n"
        "        MENUITEM \"&Objective\", 503\n"
        "        MENUITEM \"&Sounds\", 504\n"
        "        MENUITEM \"&Hints\", 506\n"
        "        MENUITEM \"&About ...\", 507\n"
        "        MENUITEM \"&Credits\", 508\n"
        "        MENUITEM \"&Exit\", 509\n"
        "    END\nEND\n";
    EXPECT_NE(rc.find(menu), std::string::npos) << rc;
}

TEST(BookcResources, WritingPutsTheFilesBesideTheScript) {
    book_folder folder;
    folder.write("book.toml", catalogue_with_resources("icon = \"app.ico\"\n"));
    write_resource_files(folder);
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);

    std::string error;
    ASSERT_TRUE(bookc::write_resources(*result.book, folder.path() / "out" / "res" / "book.rc", &error)) << error;
    EXPECT_EQ(folder.read("out/res/book.rc"), bookc::generate_rc(*result.book));
    EXPECT_EQ(folder.read("out/res/bitmap-1101.bmp"), BITMAP + "t");
    EXPECT_EQ(folder.read("out/res/bitmap-1107.bmp"), BITMAP);
    EXPECT_EQ(folder.read("out/res/sound-0.wav"), WAVE);
    EXPECT_EQ(folder.read("out/res/icon.ico"), ICON);
}

TEST(BookcResources, OnlySoundNamesTheScriptTakesAsNamesAreWritten) {
    EXPECT_TRUE(bookc::rc_sound_name("big_ben"));
    EXPECT_TRUE(bookc::rc_sound_name("_X9"));
    EXPECT_FALSE(bookc::rc_sound_name(""));
    EXPECT_FALSE(bookc::rc_sound_name("9LIVES"));
    EXPECT_FALSE(bookc::rc_sound_name("TWO WORDS"));
    EXPECT_FALSE(bookc::rc_sound_name("a-b"));

    book_folder folder;
    std::string c = catalogue_with_resources("");
    c.replace(c.find("name = \"WIND\""), 13, "name = \"NORTH WIND\"");
    folder.write("book.toml", c);
    write_resource_files(folder);
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    std::string error;
    EXPECT_FALSE(bookc::write_resources(*result.book, folder.path() / "out" / "book.rc", &error));
    EXPECT_NE(error.find("NORTH WIND"), std::string::npos) << error;
}

TEST(BookcResources, ABookWithoutAnIconHasNoIconGroup) {
    book_folder folder;
    folder.write("book.toml", catalogue_with_resources(""));
    write_resource_files(folder);
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    EXPECT_TRUE(result.book->icon.empty());
    EXPECT_EQ(bookc::generate_rc(*result.book).find("ICON"), std::string::npos);
}

TEST(BookcResources, TheIconMustBeAnIconFile) {
    book_folder folder;
    folder.write("book.toml", catalogue_with_resources("icon = \"pictures/bar.bmp\"\n"));
    write_resource_files(folder);
    compile_result result = folder.compile();
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, folder.name("book.toml") + ":4: error", "is not an icon file"))
        << all_diagnostics(result);

    folder.write("book.toml", catalogue_with_resources("icon = \"missing.ico\"\n"));
    result = folder.compile();
    EXPECT_TRUE(reported(result, folder.name("book.toml") + ":4: error", "cannot read the file 'missing.ico'"))
        << all_diagnostics(result);

    folder.write("book.toml", catalogue_with_resources("icon = 3\n"));
    result = folder.compile();
    EXPECT_TRUE(reported(result, folder.name("book.toml") + ":4: error", "'book.icon' must be a string"))
        << all_diagnostics(result);
}

// Runs the compiler program in the folder; its exit code.
int run_bookc(const book_folder& folder, const std::string& arguments) {
    const std::string command = "cd '" + folder.path().string() + "' && '" + TOMELET_BOOKC + "' . " + arguments +
                                " >stdout.txt 2>stderr.txt";
    const int status = std::system(command.c_str());
#ifdef WEXITSTATUS
    return WEXITSTATUS(status);
#else
    return status;
#endif
}

TEST(BookcResources, TheProgramWritesTheScriptAndCanLeaveTheBytesOutOfTheSource) {
    book_folder folder;
    folder.write("book.toml", catalogue_with_resources("icon = \"app.ico\"\n"));
    write_resource_files(folder);

    ASSERT_EQ(run_bookc(folder, "-o book.cpp --rc res/book.rc"), 0) << folder.read("stderr.txt");
    EXPECT_EQ(folder.read("res/bitmap-1107.bmp"), BITMAP);
    EXPECT_NE(folder.read("book.cpp").find(".resource_count = 3,"), std::string::npos);

    ASSERT_EQ(run_bookc(folder, "-o book.cpp --rc res/book.rc --no-embed"), 0) << folder.read("stderr.txt");
    EXPECT_EQ(folder.read("res/sound-0.wav"), WAVE);
    const std::string source = folder.read("book.cpp");
    EXPECT_NE(source.find(".resource_count = 0,"), std::string::npos);
    EXPECT_EQ(source.find("resource_0[]"), std::string::npos);

    // Without a script the bytes have nowhere to go.
    EXPECT_EQ(run_bookc(folder, "-o other.cpp --no-embed"), 2);

    // A sound the script cannot name stops the run before the source is
    // written.
    std::string c = catalogue_with_resources("");
    c.replace(c.find("name = \"WIND\""), 13, "name = \"NORTH WIND\"");
    folder.write("book.toml", c);
    EXPECT_EQ(run_bookc(folder, "-o late.cpp --rc late/book.rc"), 1);
    EXPECT_NE(folder.read("stderr.txt").find("NORTH WIND"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "late.cpp"));
}

// The demo book's icon keeps its 16- and 32-pixel images as classic bitmap
// entries (a 40-byte BITMAPINFOHEADER, the height doubled for the mask),
// which every Windows version reads: PNG-compressed ones showed with red
// and blue swapped in the caption.
TEST(BookcResources, TheDemoBooksIconHoldsBitmapEntries) {
    std::ifstream in(std::string(TOMELET_SOURCE_DIR) + "/books/demo/pictures/icon.ico", std::ios::binary);
    const std::vector<uint8_t> icon((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(icon.size(), 6u);
    const auto le = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | icon.at(at + static_cast<size_t>(i));
        return v;
    };
    std::vector<uint32_t> sizes;
    for (uint32_t i = 0; i < le(4, 2); ++i) {
        const size_t entry = 6 + 16 * i;
        const uint32_t width = icon.at(entry);
        const size_t image = le(entry + 12, 4);
        sizes.push_back(width);
        EXPECT_EQ(le(image, 4), 40u) << width;                 // biSize
        EXPECT_EQ(le(image + 4, 4), width) << width;           // biWidth
        EXPECT_EQ(le(image + 8, 4), 2 * width) << width;       // biHeight: colour and mask
        EXPECT_EQ(le(image + 16, 4), 0u) << width;             // BI_RGB
        EXPECT_EQ(le(image + 14, 2), le(entry + 6, 2)) << width;  // the bit count the entry gives
    }
    EXPECT_EQ(sizes, (std::vector<uint32_t>{16, 32}));
}

}  // namespace
}  // namespace tomelet
