// Helpers of the model image tests: compiling text, reading raw fields and
// walking the feature list.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mdf_test_util.h"
#include "plat/le.h"
#include "velm/model_image.h"

namespace image_test {

struct ImageDeleter {
  void operator()(ModelImage* image) const { MdfFreeImage(image); }
};
using Image = std::unique_ptr<ModelImage, ImageDeleter>;

inline Image Compile(const std::string& text) {
  return Image(MdfCompileBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

inline std::string Model(const std::string& relative) { return mdf_test::ReadFile(mdf_test::DataPath(relative)); }
inline std::string SmallModel() { return Model("data/models/small.mdf"); }
inline std::string ReferenceModel() { return Model("../models/reference.mdf"); }

inline std::vector<uint8_t> Bytes(const ModelImage* image) {
  return std::vector<uint8_t>(MdfImageBytes(image), MdfImageBytes(image) + MdfImageSize(image));
}

// Fields of an image held in a vector, through the one little-endian helper.
inline uint32_t Get32(const std::vector<uint8_t>& b, uint32_t at) { return plat::Get32(&b.at(at + 3) - 3); }
inline uint16_t Get16(const std::vector<uint8_t>& b, uint32_t at) { return plat::Get16(&b.at(at + 1) - 1); }
inline void Put32(std::vector<uint8_t>& b, uint32_t at, uint32_t v) { plat::Put32(&b.at(at + 3) - 3, v); }
inline void Put16(std::vector<uint8_t>& b, uint32_t at, uint16_t v) { plat::Put16(&b.at(at + 1) - 1, v); }
inline uint32_t SlotAt(int32_t slot) { return mdf_image::kSlotsOffset + 4 * uint32_t(slot); }

// The feature nodes of the list from slot 0, with their offsets.
struct Node {
  uint32_t offset;
  ImgFeature f;
};
inline std::vector<Node> Features(const ModelImage* image) {
  std::vector<Node> nodes;
  for (uint32_t at = MdfImgSlot(image, mdf_image::kSlotFeatures); at && nodes.size() < 100000;) {
    Node n{at, {}};
    if (!MdfImgReadFeature(image, at, &n.f)) break;
    nodes.push_back(n);
    at = n.f.next;
  }
  return nodes;
}

// The first node of a feature with a sub-id.
inline const Node* Find(const std::vector<Node>& nodes, const char* feature, uint16_t sub_id = 0) {
  uint16_t key = mdf_test::Key(feature);
  for (const Node& n : nodes) {
    if (n.f.key == key && n.f.subId == sub_id) return &n;
  }
  return nullptr;
}

inline std::vector<uint16_t> OptionIds(const ModelImage* image, const ImgFeature& f) {
  std::vector<uint16_t> ids;
  for (uint32_t at = f.data; at && ids.size() < 10000;) {
    ImgOption o;
    if (!MdfImgReadOption(image, at, f.type, &o)) break;
    ids.push_back(o.optionId);
    at = o.next;
  }
  return ids;
}

}  // namespace image_test

namespace image_test {

// A damaged copy of an image and what was done to it.
struct Corruption {
  std::string name;
  std::vector<uint8_t> bytes;
};

// Damages a valid image in every way the loader must catch: each header
// field, offsets past the end or into the header, links that are malformed
// or land in the wrong area, cycles and shared tails in lists, bad
// conditions, strings without their end, records of the wrong kind, a cut
// file. The image must hold Exclusive records with conditions, items and
// Transacts, a feature with options, command trees and fonts (the
// reference model does).
inline std::vector<Corruption> Corruptions(const ModelImage* image) {
  using namespace mdf_image;
  std::vector<Corruption> out;
  const std::vector<uint8_t> valid = Bytes(image);
  const uint32_t size = static_cast<uint32_t>(valid.size());
  auto add = [&](const std::string& name, auto change) {
    Corruption c{name, valid};
    change(c.bytes);
    out.push_back(std::move(c));
  };

  // Records to aim at.
  std::vector<Node> nodes = Features(image);
  const Node* with_options = nullptr;
  const Node* other_options = nullptr;
  const Node* boolean = nullptr;
  for (const Node& n : nodes) {
    if (n.f.subId || !n.f.data) continue;
    if (MdfStorageType(n.f.type) == kFeaturePickOne && OptionIds(image, n.f).size() >= 2) {
      if (!with_options) {
        with_options = &n;
      } else if (!other_options) {
        other_options = &n;
      }
    }
    if (MdfStorageType(n.f.type) == kFeatureBoolean && !boolean) boolean = &n;
  }
  uint32_t ex_with_hide = 0, ex_with_items = 0, ex_with_transacts = 0, hide_link = 0;
  for (uint32_t at = MdfImgSlot(image, kSlotExclusive); at;) {
    ImgExclusive e;
    if (!MdfImgReadExclusive(image, at, &e)) break;
    if (e.hide && !ex_with_hide) {
      ex_with_hide = at;
      hide_link = Get32(valid, at + 8);
    }
    if (e.items && !ex_with_items) ex_with_items = at;
    if (e.transacts && !ex_with_transacts) ex_with_transacts = at;
    at = e.next;
  }
  EXPECT_TRUE(with_options && other_options && boolean && ex_with_hide && ex_with_items && ex_with_transacts);
  if (!(with_options && other_options && boolean && ex_with_hide && ex_with_items && ex_with_transacts)) return out;
  const uint32_t first_exclusive = MdfImgSlot(image, kSlotExclusive);
  const uint32_t cells = hide_link >> 4;
  uint32_t end_cell = cells;
  while (Get16(valid, end_cell) != kCellOperator || Get16(valid, end_cell + 2) != kOpEnd) end_cell += 4;
  const uint32_t items = Get32(valid, ex_with_items + 16) >> 4;
  const uint32_t transacts = Get32(valid, ex_with_transacts + 24) >> 4;
  const uint32_t actions = Get32(valid, transacts + 8) >> 4;
  const uint32_t option = with_options->f.data;
  const uint32_t option2 = Get32(valid, option);
  uint32_t tree = MdfImgSlot(image, kSlotJobStart);
  ImgCommandBlock root;
  MdfImgReadBlock(image, tree, &root);
  uint32_t string_node = 0, block_node = 0;
  for (uint32_t at = root.first; at;) {
    ImgCommandNode n;
    MdfImgReadNode(image, at, &n);
    if (n.kind == kCommandNodeStringType && n.text && !string_node) string_node = at;
    if (n.kind == kCommandNodeCondition && !block_node) block_node = at;
    at = n.next;
  }
  EXPECT_TRUE(string_node && block_node);

  add("file version without its NUL", [](auto& b) { std::fill(b.begin(), b.begin() + 32, 'x'); });
  add("size field one more", [&](auto& b) { Put32(b, 32, size + 1); });
  add("size field one less", [&](auto& b) { Put32(b, 32, size - 1); });
  add("size field zero", [](auto& b) { Put32(b, 32, 0); });
  add("cut by one byte, size field to match", [&](auto& b) {
    b.resize(size - 1);
    Put32(b, 32, size - 1);
  });
  add("cut to the header, size field to match", [&](auto& b) {
    b.resize(kHeaderSize);
    Put32(b, 32, kHeaderSize);
  });
  add("cut inside the header", [](auto& b) { b.resize(100); });
  add("feature list past the end", [&](auto& b) { Put32(b, SlotAt(0), size); });
  add("feature list into the header", [&](auto& b) { Put32(b, SlotAt(0), 40); });
  add("feature list at the last byte", [&](auto& b) { Put32(b, SlotAt(0), size - 1); });
  add("feature next to itself", [&](auto& b) { Put32(b, nodes[0].offset, nodes[0].offset); });
  add("feature next back to the first (cycle)", [&](auto& b) { Put32(b, nodes[1].offset, nodes[0].offset); });
  add("slot naming a node of another setting", [&](auto& b) {
    Put32(b, SlotAt(MdfSlotOfSetting(with_options->f.settingId)), boolean->offset);
  });
  add("slot naming a node outside the list", [&](auto& b) {
    Put32(b, SlotAt(MdfSlotOfSetting(with_options->f.settingId)), with_options->offset + 4);
  });
  add("link with bit 0 clear", [&](auto& b) { Put32(b, ex_with_hide + 8, hide_link & ~1u); });
  add("link with a stray bit", [&](auto& b) { Put32(b, ex_with_hide + 8, hide_link | 2u); });
  add("link to an unaligned cell", [&](auto& b) { Put32(b, ex_with_hide + 8, Link(cells + 2)); });
  add("link into the middle of a condition", [&](auto& b) { Put32(b, ex_with_hide + 8, Link(end_cell)); });
  add("link into the header", [&](auto& b) { Put32(b, ex_with_hide + 8, Link(4980)); });
  add("link past the end", [&](auto& b) { Put32(b, ex_with_hide + 8, Link((size + 4) & ~3u)); });
  add("condition link into the feature area", [&](auto& b) {
    Put32(b, ex_with_hide + 8, Link((with_options->offset + 3) & ~3u));
  });
  add("condition link onto an Item entry", [&](auto& b) { Put32(b, ex_with_hide + 8, Link(items)); });
  add("Item list link onto a Transact entry", [&](auto& b) { Put32(b, ex_with_items + 16, Link(transacts)); });
  add("end cell turned into an unknown operator", [&](auto& b) { Put16(b, end_cell + 2, 11); });
  add("operand turned into an operator", [&](auto& b) {
    Put16(b, cells, kCellOperator);
    Put16(b, cells + 2, kOpAnd);
  });
  add("group end cell stored", [&](auto& b) { Put16(b, cells, kCellGroupEnd); });
  add("Exclusive next into its own record", [&](auto& b) { Put32(b, first_exclusive, first_exclusive + 16); });
  add("Exclusive next to itself", [&](auto& b) { Put32(b, first_exclusive, first_exclusive); });
  add("Exclusive array unaligned", [&](auto& b) { Put32(b, SlotAt(kSlotExclusive), first_exclusive + 2); });
  add("Action target kind 2", [&](auto& b) { Put16(b, actions + 6, 2); });
  add("Transact next into an Action entry", [&](auto& b) { Put32(b, transacts, Link(actions)); });
  add("option next to another feature's list", [&](auto& b) { Put32(b, option2, other_options->f.data); });
  add("option next to itself", [&](auto& b) { Put32(b, option, option); });
  add("option text past the end", [&](auto& b) { Put32(b, option + 8, size + 10); });
  add("option text at the last byte", [&](auto& b) {
    Put32(b, option + 8, size - 1);
    b[size - 1] = 'x';
  });
  add("feature type that keeps no record", [&](auto& b) { Put16(b, with_options->offset + 10, 0x20); });
  // (A Boolean record read as a 12-byte option record can be consistent;
  // read as a numeric record it runs into the node after it.)
  add("Boolean record read as a numeric record", [&](auto& b) { Put16(b, boolean->offset + 10, kFeatureNumeric); });
  add("feature Exclusive of another feature", [&](auto& b) {
    uint32_t other = first_exclusive;
    while (other && Get16(valid, other + 4) == with_options->f.key) other = Get32(valid, other);
    Put32(b, with_options->offset + 20, other);
  });
  add("command node of an unknown kind", [&](auto& b) { Put16(b, root.first + 4, 9); });
  add("string node longer than its text",
      [&](auto& b) { Put32(b, string_node + 8, Get32(valid, string_node + 8) + 1); });
  add("string node without a text", [&](auto& b) { Put32(b, string_node + 12, 0); });
  add("command block nested in itself", [&](auto& b) { Put32(b, block_node + 8, tree); });
  add("command block condition into the header", [&](auto& b) {
    Put32(b, Get32(valid, block_node + 8), Link(4984 - 4));
  });
  add("font count beyond the image", [&](auto& b) { Put32(b, SlotAt(kSlotDeviceFontCount), 0x40000000); });
  add("font array without a count", [&](auto& b) { Put32(b, SlotAt(kSlotDeviceFontCount), 0); });
  add("font entry name past the end", [&](auto& b) {
    uint32_t entry = Get32(valid, MdfImgSlot(image, kSlotCartridgeFonts));
    Put32(b, entry + 4, size);
  });
  add("DLL name into the header", [&](auto& b) { Put32(b, SlotAt(kSlotUiResDll), 100); });
  return out;
}

}  // namespace image_test
