// Icons and cursors of resource modules in our own simple form, and the
// system's own.
#include <gtest/gtest.h>

#include <functional>

#include "plat/kernel.h"
#include "plat/resources.h"
#include "temp_machine.h"
#include "ui/icon_resource.h"
#include "ui_fixture.h"

namespace {

ui::IconImage Square(uint16_t size, uint32_t colour, uint16_t hx = 0, uint16_t hy = 0) {
  ui::IconImage img;
  img.width = img.height = size;
  img.hotspot_x = hx;
  img.hotspot_y = hy;
  img.pixels.assign(size_t(size) * size, colour);
  return img;
}

class Icons : public ui_test::Ui {
 protected:
  void SetUp() override {
    Ui::SetUp();
    std::vector<plat::ResourceEntry> e = ui::IconResources(false, 100, 1, {Square(16, 0xFF112233), Square(32, 0xFF445566)});
    for (auto& c : ui::IconResources(true, 8000, 1, {Square(32, 0xFF000000, 9, 2)})) e.push_back(c);
    // Damaged: a group naming an image that is not there, a group whose
    // count does not match its size, an image shorter than its pixels.
    e.push_back(plat::ResourceEntry{RT_GROUP_ICON, 200, {'V', 'G', 'R', 'P', 1, 0, 99, 0}});
    e.push_back(plat::ResourceEntry{RT_GROUP_ICON, 201, {'V', 'G', 'R', 'P', 5, 0, 1, 0}});
    e.push_back(plat::ResourceEntry{RT_GROUP_ICON, 202, {'V', 'G', 'R', 'P', 1, 0, 7, 0}});
    e.push_back(plat::ResourceEntry{RT_ICON, 7, {'V', 'I', 'C', 'N', 4, 0, 4, 0, 0, 0, 0, 0, 1, 2, 3, 4}});
    std::string base = plat::StandinModuleDir() + "/velmres.dll";
    ASSERT_TRUE(plat::WriteResourceModule(plat_test::TempMachine::Host(u"C:\\Windows\\System32\\icons.dll"), base, e));
    module_ = LoadLibraryW(u"icons.dll");
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    FreeLibrary(module_);
    Ui::TearDown();
  }
  plat_test::TempMachine machine_;
  HMODULE module_ = nullptr;
};

TEST_F(Icons, TheImageNearestTheSizeAskedIsLoadedAndShared) {
  HICON icon = LoadIconW(module_, MAKEINTRESOURCEW(100));
  const ui::IconImage* img = ui::IconImageOf(icon);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->width, 32) << "LoadIconW takes the system size";
  EXPECT_EQ(img->pixels[0], 0xFF445566u);
  EXPECT_EQ(LoadIconW(module_, MAKEINTRESOURCEW(100)), icon) << "the same id gives the same handle";
  const ui::IconImage* small = ui::IconImageOf(LoadImageW(module_, MAKEINTRESOURCEW(100), IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->width, 16);
  EXPECT_EQ(small->pixels[0], 0xFF112233u);
  const ui::IconImage* cursor = ui::IconImageOf(LoadCursorW(module_, MAKEINTRESOURCEW(8000)));
  ASSERT_NE(cursor, nullptr);
  EXPECT_EQ(cursor->hotspot_x, 9);
  EXPECT_EQ(cursor->hotspot_y, 2);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_EQ(ui::IconImageOf(icon), img) << "a shared icon outlives DestroyIcon";
}

TEST_F(Icons, MissingOrDamagedResourcesLoadNothing) {
  auto icon = [&](DWORD id) {
    SetLastError(0);
    return static_cast<HANDLE>(LoadIconW(module_, MAKEINTRESOURCEW(id)));
  };
  auto cursor = [&](DWORD id) {
    SetLastError(0);
    return static_cast<HANDLE>(LoadCursorW(module_, MAKEINTRESOURCEW(id)));
  };
  const struct {
    const char* name;
    std::function<HANDLE()> load;
    DWORD error;
  } cases[] = {
      {"no such icon", [&] { return icon(101); }, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"an icon id is no cursor id", [&] { return cursor(100); }, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"image missing", [&] { return icon(200); }, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"count against size", [&] { return icon(201); }, ERROR_BAD_FORMAT},
      {"pixels cut short", [&] { return icon(202); }, ERROR_BAD_FORMAT},
      {"a name, not an id", [&] {
         SetLastError(0);
         return static_cast<HANDLE>(LoadIconW(module_, u"ICON"));
       }, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"a bitmap asked of LoadImageW", [&] {
         SetLastError(0);
         return LoadImageW(module_, MAKEINTRESOURCEW(100), 0 /*IMAGE_BITMAP*/, 0, 0, 0);
       }, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.load(), nullptr) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
}

TEST_F(Icons, TheSystemHasItsArrowHandAndMessageIcons) {
  for (LPCWSTR id : {IDC_ARROW, IDC_HAND}) EXPECT_NE(ui::IconImageOf(LoadCursorW(nullptr, id)), nullptr);
  EXPECT_NE(LoadCursorW(nullptr, IDC_ARROW), LoadCursorW(nullptr, IDC_HAND));
  for (LPCWSTR id : {IDI_INFORMATION, IDI_WARNING, IDI_ERROR}) EXPECT_NE(LoadIconW(nullptr, id), nullptr);
  EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(8000)), nullptr);
}

}  // namespace
