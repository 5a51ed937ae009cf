// The setup dialog's code on the recording device's adapter and in-memory controls: the listing,
// the preselection, reading the choice back on OK, and what happens without Direct3D.
#include "app/orvell_dlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/d3d9/recording_device.h"
#include "tests/app/dialog_fakes.h"

namespace {

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT rate) {
  return {width, height, rate, D3DFMT_X8R8G8B8};
}

class OrvellDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { d3d9::UseRecordingDevice(true); }
  void TearDown() override { d3d9::UseRecordingDevice(false); }

  d3d9::RecordingAdapter& adapter = d3d9::Recording().adapter;
};

TEST_F(OrvellDlgTest, ListsEveryModeInTheAdaptersOrderWithDuplicates) {
  adapter.modes = {Mode(800, 600, 60), Mode(1920, 1080, 144), Mode(800, 600, 60),
                   Mode(640, 480, 0)};
  ModeList list = ListDisplayModes();
  EXPECT_EQ(list.entries, (std::vector<std::string>{"800x600x60hz", "1920x1080x144hz",
                                                    "800x600x60hz", "640x480x0hz"}));
}

TEST_F(OrvellDlgTest, PreselectsTheLast1024x768AtTheDesktopsRateWhateverTheDesktopsSize) {
  adapter.desktop = Mode(1920, 1080, 60);
  adapter.modes = {Mode(640, 480, 60),  Mode(1024, 768, 60), Mode(1024, 768, 75),
                   Mode(1280, 720, 60), Mode(1024, 768, 60), Mode(1920, 1080, 60)};
  EXPECT_EQ(ListDisplayModes().selection, 4);

  adapter.desktop = Mode(1024, 768, 75);
  EXPECT_EQ(ListDisplayModes().selection, 2);
}

TEST_F(OrvellDlgTest, WithoutA1024x768AtTheDesktopsRateTheFirstEntryIsPreselected) {
  adapter.desktop = Mode(1024, 768, 60);
  adapter.modes = {Mode(1280, 720, 60), Mode(1024, 768, 75), Mode(1024, 600, 60),
                   Mode(768, 1024, 60)};
  EXPECT_EQ(ListDisplayModes().selection, 0);
}

TEST_F(OrvellDlgTest, AModeTooLongForTheListIsLeftOutAndThePreselectionStillFindsItsEntry) {
  // 16 characters and more would be cut to 15, and the cut text would read as another mode.
  adapter.modes = {Mode(10240, 4320, 120), Mode(1024, 768, 60), Mode(100000, 1000, 60),
                   Mode(10240, 4320, 60)};
  ModeList list = ListDisplayModes();
  EXPECT_EQ(list.entries, (std::vector<std::string>{"1024x768x60hz", "10240x4320x60hz"}));
  EXPECT_EQ(list.selection, 0);
}

TEST_F(OrvellDlgTest, TheDesktopModeUnreadableGivesAnEmptyListWithoutSelection) {
  adapter.modes = {Mode(1024, 768, 60)};
  d3d9::Recording().FailAlways("GetAdapterDisplayMode");
  ModeList list = ListDisplayModes();
  EXPECT_TRUE(list.entries.empty());
  EXPECT_EQ(list.selection, -1);
  EXPECT_EQ(d3d9::Recording().Count("GetAdapterModeCount"), 0u);
}

TEST_F(OrvellDlgTest, AFailingFetchEndsTheListWithoutSelection) {
  adapter.modes = {Mode(1024, 768, 60), Mode(800, 600, 60)};
  d3d9::Recording().FailOnce("EnumAdapterModes");
  ModeList list = ListDisplayModes();
  EXPECT_TRUE(list.entries.empty());
  EXPECT_EQ(list.selection, -1);
  EXPECT_EQ(d3d9::Recording().Count("EnumAdapterModes"), 1u);
}

TEST_F(OrvellDlgTest, TheDirect3DObjectIsReleasedOnceTheModesAreListed) {
  adapter.modes = {Mode(1024, 768, 60)};
  ListDisplayModes();
  auto releases = d3d9::Recording().CallsNamed("Direct3D.Release");
  ASSERT_EQ(releases.size(), 1u);
  EXPECT_EQ(releases[0]->result, 0);
}

TEST_F(OrvellDlgTest, OpeningFillsTheListSelectsTheEntryAndSetsTheIcon) {
  adapter.desktop = Mode(1280, 1024, 60);
  adapter.modes = {Mode(800, 600, 60), Mode(1024, 768, 60), Mode(1280, 1024, 60)};
  COrvellDlg dialog;
  FakeControls controls;
  dialog.OnInitDialog(controls);
  EXPECT_EQ(controls.entries,
            (std::vector<std::string>{"800x600x60hz", "1024x768x60hz", "1280x1024x60hz"}));
  EXPECT_EQ(controls.ListText(), "1024x768x60hz");
  EXPECT_FALSE(controls.CheckBoxTicked());
  EXPECT_EQ(controls.icon, 128);
}

TEST_F(OrvellDlgTest, OkReadsEveryEntryBackAsTheModeItWasListedFor) {
  adapter.modes = {Mode(640, 480, 60),    Mode(1024, 768, 0),    Mode(1920, 1080, 144),
                   Mode(3840, 2160, 240), Mode(10240, 4320, 60), Mode(99999, 9999, 99),
                   Mode(64, 64, 1),       Mode(1280, 1024, 85)};
  COrvellDlg dialog;
  FakeControls controls;
  dialog.OnInitDialog(controls);
  ASSERT_EQ(controls.entries.size(), adapter.modes.size());
  for (std::size_t i = 0; i < adapter.modes.size(); ++i) {
    controls.SelectListEntry(int(i));
    controls.ticked = i % 2 == 1;
    dialog.OnOK(controls);
    const D3DDISPLAYMODE& mode = adapter.modes[i];
    EXPECT_EQ(dialog.width, int(mode.Width)) << controls.entries[i];
    EXPECT_EQ(dialog.height, int(mode.Height)) << controls.entries[i];
    EXPECT_EQ(dialog.refreshRate, int(mode.RefreshRate)) << controls.entries[i];
    EXPECT_EQ(dialog.fullScreen, controls.ticked ? 1 : 0) << controls.entries[i];
  }
}

TEST_F(OrvellDlgTest, OkWithNothingToReadStartsWindowedAt1024x768) {
  for (bool ticked : {false, true}) {
    d3d9::Recording().FailAlways("GetAdapterDisplayMode");
    COrvellDlg dialog;
    FakeControls controls;
    dialog.OnInitDialog(controls);
    ASSERT_TRUE(controls.entries.empty());
    controls.ticked = ticked;
    dialog.OnOK(controls);
    EXPECT_EQ(dialog.width, 1024);
    EXPECT_EQ(dialog.height, 768);
    EXPECT_EQ(dialog.refreshRate, 60);
    EXPECT_EQ(dialog.fullScreen, 0) << "ticked " << ticked;
  }
}

TEST(OrvellDlgWithoutDirect3D, ListsNothing) {
  // The OpenGL implementation, with no windowing system open, has no Direct3D object to give.
  d3d9::UseRecordingDevice(false);
  ModeList list = ListDisplayModes();
  EXPECT_TRUE(list.entries.empty());
  EXPECT_EQ(list.selection, -1);
}

}  // namespace
