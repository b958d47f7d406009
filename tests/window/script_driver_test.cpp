// Pictures of windows and the script driver (native build only): a windowed program started on its
// own is driven by OBJSTORE_UI_SCRIPT and photographed.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <cairo.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/posix/test_interface.h"
#include "platform/posix/window_system.h"
#include "window_test_support.h"

using namespace wintest;

namespace {

struct Pixel {
    int x, y;
    uint32_t rgb;  // 0xRRGGBB
};

const uint32_t kSteelBlue = 0x4682B4, kRed = 0xFF0000;

// Checks a PNG's size and some of its pixels.
void ExpectPicture(const std::string& path, int width, int height,
                   const std::vector<Pixel>& pixels) {
    cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS) << path;
    EXPECT_EQ(cairo_image_surface_get_width(image), width);
    EXPECT_EQ(cairo_image_surface_get_height(image), height);
    const unsigned char* data = cairo_image_surface_get_data(image);
    int stride = cairo_image_surface_get_stride(image);
    for (const Pixel& p : pixels) {
        uint32_t value;
        memcpy(&value, data + p.y * stride + p.x * 4, 4);
        EXPECT_EQ(value & 0xFFFFFF, p.rgb) << path << " at " << p.x << "," << p.y;
    }
    cairo_surface_destroy(image);
}

class ScratchDir {
  public:
    ScratchDir() {
        char name[] = "/tmp/window-script-XXXXXX";
        path_ = mkdtemp(name) ? name : "";
    }
    ~ScratchDir() { system(("rm -rf '" + path_ + "'").c_str()); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::string ReadAll(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// Runs the demo program with a script; its exit status (or -1) and what it wrote to stderr.
int RunDemo(const ScratchDir& dir, const std::string& script, const std::string& arguments,
            std::string& errors) {
    std::ofstream(dir / "steps.txt") << script;
    std::string command = "OBJSTORE_UI_SCRIPT='" + (dir / "steps.txt") +
                          "' '" PAINT_DEMO_PATH "' " + arguments + " 2>'" + (dir / "stderr.txt") +
                          "'";
    int status = system(command.c_str());
    errors = ReadAll(dir / "stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void FillSurface(HWND window, double r, double g, double b) {
    PAINTSTRUCT paint;
    ASSERT_TRUE(BeginPaint(window, &paint));
    cairo_t* cr = cairo_create(winlayer::PaintSurface(window));
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_destroy(cr);
    EndPaint(window, &paint);
}

}  // namespace

TEST(WindowPictures, AWindowIsSavedWithItsVisibleChildrenAsLastPainted) {
    ScratchDir dir;
    Recorder recorder;
    HWND window = CreateRecorded(recorder, WS_POPUP, {300, 300, 400, 380});
    HWND shown = CreateRecorded(recorder, WS_CHILD | WS_VISIBLE, {10, 10, 40, 30}, window);
    HWND hidden = CreateRecorded(recorder, WS_CHILD, {50, 10, 90, 30}, window);
    ASSERT_TRUE(window && shown && hidden);
    ShowWindow(window, SW_SHOWNA);
    FillSurface(window, 0, 0, 1);
    FillSurface(shown, 0, 1, 0);
    FillSurface(hidden, 1, 0, 0);
    ASSERT_TRUE(winlayer::test::SaveWindowPng(window, dir / "window.png"));
    ExpectPicture(dir / "window.png", 100, 80,
                  {{0, 0, 0x0000FF},
                   {10, 10, 0x00FF00},
                   {39, 29, 0x00FF00},
                   {40, 30, 0x0000FF},
                   {60, 20, 0x0000FF}});
    // drawn on but not yet finished: the picture still shows the last finished paint
    cairo_t* cr = cairo_create(winlayer::PaintSurface(window));
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_destroy(cr);
    ASSERT_TRUE(winlayer::test::SaveWindowPng(window, dir / "again.png"));
    ExpectPicture(dir / "again.png", 100, 80, {{0, 0, 0x0000FF}});
    DestroyWindow(window);
    EXPECT_FALSE(winlayer::test::SaveWindowPng(window, dir / "gone.png"));
}

TEST(ScriptDriver, DrivesASeparateProgramPhotographsItAndClicksItShut) {
    ScratchDir dir;
    std::string errors;
    int status = RunDemo(dir,
                         "# photograph, then click beside the child\n"
                         "wait-idle\n"
                         "save " +
                             (dir / "demo.png") +
                             "\n"
                             "move-client 150 100\n"
                             "press ctrl\n"
                             "release\n"
                             "wait-window-gone\n",
                         "--close-after-ms 20000", errors);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(errors, "");
    ExpectPicture(dir / "demo.png", 200, 120,
                  {{0, 0, kSteelBlue},
                   {199, 119, kSteelBlue},
                   {20, 20, kRed},
                   {69, 59, kRed},
                   {70, 60, kSteelBlue}});
}

TEST(ScriptDriver, WaitsForPaintsOfAWindowThatRepaintsItself) {
    ScratchDir dir;
    std::string errors;
    int status = RunDemo(dir,
                         "wait-paint\n"
                         "wait-paint\n"
                         "save " +
                             (dir / "repainted.png") +
                             "\n"
                             "move 250 180\n"  // client (150, 80)
                             "press shift\n"
                             "release\n"
                             "wait-window-gone\n",
                         // Slow enough that the child gets its turn: as on Windows, a parent that
                         // is always due paints before its child (a sanitizer build paints slowly).
                         "--close-after-ms 20000 --repaint-every-ms 250", errors);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(errors, "");
    ExpectPicture(dir / "repainted.png", 200, 120, {{150, 80, kSteelBlue}, {30, 30, kRed}});
}

TEST(ScriptDriver, WaitsForAFileAnotherProcessMakes) {
    ScratchDir dir;
    std::string errors;
    // The file appears while the program runs, as when a script outside watches for a result; it
    // holds the steps that script chose, which run before the rest of the first file.
    std::thread maker([&dir] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        std::ofstream(dir / "go.part") << "save " + (dir / "after.png") + "\nmove-client 150 100\n";
        rename((dir / "go.part").c_str(), (dir / "go").c_str());
    });
    int status = RunDemo(dir,
                         "wait-file " + (dir / "go") + "\nrun-file " + (dir / "go") +
                             "\npress ctrl\nrelease\nwait-window-gone\n",
                         "--close-after-ms 20000", errors);
    maker.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(errors, "");
    struct stat made, saved;
    ASSERT_EQ(stat((dir / "go").c_str(), &made), 0);
    ASSERT_EQ(stat((dir / "after.png").c_str(), &saved), 0);
    EXPECT_GE(saved.st_mtim.tv_sec * 1000000000LL + saved.st_mtim.tv_nsec,
              made.st_mtim.tv_sec * 1000000000LL + made.st_mtim.tv_nsec)
        << "saved only once the file was there";
}

TEST(ScriptDriver, ABadLineStopsTheScriptWithItsNumber) {
    struct Case {
        const char* script;
        const char* message;
    } cases[] = {
        {"wait-idle\njump 3 4\nsave /nonexistent.png\n", ":2: unknown step 'jump'"},
        {"\n# fine\nmove 1\n", ":3: expected 2 number(s) after move"},
        {"press alt\n", ":1: unknown key alt"},
        {"run-file /nonexistent/steps\n", ":1: the steps of /nonexistent/steps stopped"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        std::string errors;
        // The program closes itself after 3 s: time enough for the script's thread to reach the
        // bad line on a loaded machine or in a sanitizer build.
        EXPECT_EQ(RunDemo(dir, c.script, "--close-after-ms 3000", errors), 0) << c.script;
        EXPECT_NE(errors.find("OBJSTORE_UI_SCRIPT"), std::string::npos) << errors;
        EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
    }
}
#endif
