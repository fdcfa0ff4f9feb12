#include <gtest/gtest.h>

#include "base/ByteWriter.h"
#include "structs/Dialog.h"
#include "structs/DialogControlType.h"
#include "structs/TextTagText.h"
#include "support/DialogBytes.h"
#include "tags/TagCode.h"

namespace {

using Bytes = std::vector<uint8_t>;

Dialog ReadOk(const Bytes& data) {
  Dialog d;
  std::string error;
  EXPECT_TRUE(Dialog::Read(data, d, error)) << error;
  return d;
}

std::string Refusal(const Bytes& data) {
  Dialog d;
  std::string error;
  EXPECT_FALSE(Dialog::Read(data, d, error));
  return error;
}

Bytes Written(const Dialog& d) {
  ByteWriter w;
  std::string error;
  EXPECT_TRUE(d.Write(w, error)) << error;
  return w.Take();
}

const std::vector<dialogbytes::Control> kTwo = {{"butt", 3, 10, 20, 110, 70, "OK"},
                                                {"zzzz", -2, -5, 0, 5, 9, ""}};

TEST(DialogData, ReadsBothRectangleOrdersAndSavesTheSameBytesWithReservedFieldsZeroed) {
  const Bytes file = dialogbytes::Make(7, -10, 4, 630, 470, kTwo, "tail\0x", 0xAB);
  const Dialog d = ReadOk(file);
  EXPECT_EQ(d.version, 7);
  EXPECT_EQ(d.rect, (DialogRect{-10, 4, 630, 470}));
  ASSERT_EQ(d.controls.size(), 2u);
  EXPECT_EQ(d.controls[0].type, tagcode::Make("butt"));
  EXPECT_EQ(d.controls[0].id, 3);
  EXPECT_EQ(d.controls[0].rect, (DialogRect{10, 20, 110, 70}));
  EXPECT_EQ(d.controls[0].text, "OK");
  EXPECT_EQ(d.controls[1].id, -2);
  EXPECT_EQ(std::string(d.trailing.begin(), d.trailing.end()), "tail");
  // Only the reserved bytes differ, and the bytes after the texts come back.
  EXPECT_EQ(Written(d), dialogbytes::Make(7, -10, 4, 630, 470, kTwo, "tail"));
}

TEST(DialogData, EdgesBeyondSixteenBitsAreClampedBothWays) {
  Dialog d = ReadOk(dialogbytes::Make(1, 0, 0, 10, 10, {{"butt", 1, 0, 0, 1, 1, "a"}}));
  d.controls[0].rect = {-40000, 40000, 40000, -40000};
  d.rect = {50000, -50000, -50000, 50000};
  const Dialog back = ReadOk(Written(d));
  EXPECT_EQ(back.controls[0].rect, (DialogRect{-32768, 32767, 32767, -32768}));
  EXPECT_EQ(back.rect, (DialogRect{32767, -32768, -32768, 32767}));
}

TEST(DialogData, RefusesCountsAndTextsTheDataDoesNotHold) {
  Bytes header_only = dialogbytes::Make(1, 0, 0, 10, 10, {});
  EXPECT_NE(Refusal(header_only).find("no texts"), std::string::npos);
  EXPECT_NE(Refusal(Bytes(header_only.begin(), header_only.begin() + 11)).find("header"),
            std::string::npos);
  // A count of 65535 with three records' worth of data: refused before anything is read.
  Bytes big = dialogbytes::Make(1, 0, 0, 10, 10, kTwo);
  big[2] = big[3] = 0xFF;
  EXPECT_NE(Refusal(big).find("65535 controls need"), std::string::npos);
  // Fewer texts than controls, and a last text without its zero byte.
  Bytes one_text = dialogbytes::Make(1, 0, 0, 10, 10, kTwo);
  one_text.pop_back();  // the second text is empty: only its zero byte goes
  EXPECT_EQ(Refusal(one_text), "the data holds 1 text for 2 controls");
  Bytes unended = dialogbytes::Make(1, 0, 0, 10, 10, {{"butt", 1, 0, 0, 1, 1, "Quit"}});
  unended.pop_back();
  EXPECT_NE(Refusal(unended).find("no zero byte"), std::string::npos);
}

TEST(DialogData, AWriteWithoutControlsOrWithAZeroInATextFails) {
  Dialog d;
  ByteWriter w;
  std::string error;
  EXPECT_FALSE(d.Write(w, error));
  d.controls.push_back({Dialog::kButton, 1, {}, std::string("a\0b", 3)});
  EXPECT_FALSE(d.Write(w, error));
  EXPECT_NE(error.find("zero byte"), std::string::npos);
}

TEST(DialogTypes, UnknownCodesShowTheirFourCharacters) {
  EXPECT_EQ(dialogtype::All().size(), 36u);
  EXPECT_EQ(dialogtype::Name(tagcode::Make("pbli")), "Plyer List (Buddy)");
  EXPECT_EQ(dialogtype::Name(tagcode::Make("zzzz")), "Unknown(zzzz)");
}

Dialog WithIds(std::initializer_list<int16_t> ids) {
  Dialog d;
  d.rect = {0, 0, 640, 480};
  for (int16_t id : ids) d.controls.push_back({Dialog::kButton, id, {0, 0, 10, 10}, ""});
  return d;
}

TEST(DialogOperations, NewIdsFollowTheLargestAndFillGapsOnceThatWouldWrap) {
  EXPECT_EQ(WithIds({}).NextId(), 1);
  EXPECT_EQ(WithIds({3, 7, -4}).NextId(), 8);
  EXPECT_EQ(WithIds({0, 1, 32767, 3}).NextId(), 2);
  Dialog full;
  for (int32_t id = 0; id <= 32767; ++id) {
    full.controls.push_back({Dialog::kButton, static_cast<int16_t>(id), {}, ""});
  }
  EXPECT_EQ(full.NextId(), std::nullopt);
}

TEST(DialogOperations, ANewControlIsAButtonCentredOnThePointInsideTheDialogOnly) {
  const Dialog d = WithIds({7});
  const std::optional<DialogControl> c = d.NewControlAt(200, 100);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->type, tagcode::Make("butt"));
  EXPECT_EQ(c->id, 8);
  EXPECT_EQ(c->rect, (DialogRect{150, 75, 250, 125}));
  EXPECT_TRUE(c->text.empty());
  EXPECT_FALSE(d.NewControlAt(640, 100));
  EXPECT_FALSE(d.NewControlAt(-1, 100));
}

TEST(DialogOperations, ReorderingStopsAtTheEndsAndRemovingPicksTheNextSelection) {
  Dialog d = WithIds({1, 2, 3});
  d.controls[0].text = "first";
  EXPECT_FALSE(d.MoveEarlier(0));
  EXPECT_FALSE(d.MoveLater(2));
  EXPECT_TRUE(d.MoveLater(0));
  EXPECT_EQ(d.controls[1].id, 1);
  EXPECT_EQ(d.controls[1].text, "first");  // the whole control moves
  EXPECT_EQ(d.Remove(1), 1);               // the one now in its place
  EXPECT_EQ(d.Remove(1), 0);               // the last gone: the one before
  EXPECT_EQ(d.Remove(0), -1);
}

TEST(DialogOperations, CornersWinOverEdgesAndDragsMoveTheZonesEdges) {
  const DialogRect r{100, 100, 200, 150};
  EXPECT_EQ(Dialog::ZoneAt(r, 101, 148, false), Dialog::Zone::kBottomLeft);
  EXPECT_EQ(Dialog::ZoneAt(r, 199, 101, false), Dialog::Zone::kTopRight);
  EXPECT_EQ(Dialog::ZoneAt(r, 150, 102, false), Dialog::Zone::kTop);
  EXPECT_EQ(Dialog::ZoneAt(r, 150, 120, false), Dialog::Zone::kNone);
  EXPECT_EQ(Dialog::ZoneAt(r, 150, 120, true), Dialog::Zone::kMove);
  EXPECT_EQ(Dialog::ZoneAt(r, 99, 120, true), Dialog::Zone::kNone);
  EXPECT_EQ(Dialog::Dragged(r, Dialog::Zone::kBottomLeft, -5, 5), (DialogRect{95, 100, 200, 155}));
  EXPECT_EQ(Dialog::Dragged(r, Dialog::Zone::kMove, 3, -4), (DialogRect{103, 96, 203, 146}));
  EXPECT_EQ(Dialog::Dragged(r, Dialog::Zone::kRight, 3, -4), (DialogRect{100, 100, 203, 150}));
}

TEST(DialogOperations, InfoRowsGiveFactsNoControlsIdAndAnUpsideDownDialogNoNegativeRange) {
  Dialog d = WithIds({4});
  d.controls[0].text = "Start";
  d.controls.push_back({tagcode::Make("qqqq"), 9, {}, ""});
  const std::vector<Dialog::InfoRow> rows = d.InfoRows();
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[0].text, "Version: 0");
  EXPECT_EQ(rows[1].text, "Size: 640x480");
  for (size_t i = 0; i < 11; ++i) EXPECT_EQ(rows[i].id, Dialog::kFactRow) << rows[i].text;
  EXPECT_EQ(rows[11].text, "4 | Button | text:\"Start\"");
  EXPECT_EQ(rows[12].text, "9 | Unknown(qqqq)");
  EXPECT_EQ(rows[12].id, 1u);
  EXPECT_EQ(d.ScrollWidth(), 672);
  d.rect = {100, 100, 50, 20};
  EXPECT_EQ(d.ScrollWidth(), 32);
  EXPECT_EQ(d.ScrollHeight(), 32);
}

TEST(TextTagRules, AStringListCountsTheEmptyStringsItDropsBeforeKeptOnes) {
  const std::string data("a\0\0b\r\n\0c\0\0", 11);
  const texttag::Loaded list = texttag::TextFromData(
      tagcode::Make("stli"), std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  ASSERT_TRUE(list.ok);
  EXPECT_EQ(list.text, "a\nb\nc\n");
  EXPECT_EQ(list.dropped, 3u) << "the zeros after the last string renumber nothing";
  EXPECT_EQ(texttag::WithLineFeeds("a\r\nb\rc\nd"), "a\nb\nc\nd");
}

}  // namespace
