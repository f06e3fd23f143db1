#include "pe/VersionTree.h"

#include <algorithm>
#include <cstdint>

#include "pe/LittleEndian.h"
#include "sys/TextCase.h"

namespace pe {

namespace {

constexpr std::size_t kNodeHeaderSize = 6;

std::size_t Align4(std::size_t offset) { return (offset + 3) & ~std::size_t(3); }

struct Node {
  std::size_t start = 0;
  std::size_t end = 0;       // clamped to the parent's end
  std::size_t next = 0;      // where the next sibling would start
  std::size_t keyStart = 0;  // first UTF-16 unit of the key
  std::size_t keyUnits = 0;  // without the zero unit
  VersionValue value;
  std::size_t children = 0;
};

// The node at `start` inside [start, limit); false when its header or key does not fit.
bool ReadNode(ByteView block, std::size_t start, std::size_t limit, Node &node) {
  std::uint16_t length = 0, valueLength = 0, type = 0;
  if (limit - start < kNodeHeaderSize || !block.U16(start, length) || !block.U16(start + 2, valueLength) ||
      !block.U16(start + 4, type) || length < kNodeHeaderSize) {
    return false;
  }
  node.start = start;
  node.end = std::min<std::size_t>(start + length, limit);
  node.next = Align4(start + length);
  node.keyStart = start + kNodeHeaderSize;
  std::size_t unitEnd = node.keyStart;
  std::uint16_t unit = 1;
  while (block.U16(unitEnd, unit) && unitEnd + 2 <= node.end && unit != 0) unitEnd += 2;
  if (unit != 0 || unitEnd + 2 > node.end) return false;  // a key without its zero unit
  node.keyUnits = (unitEnd - node.keyStart) / 2;

  node.value.isText = type == 1;
  node.value.offset = std::min(Align4(unitEnd + 2), node.end);
  const std::size_t declared = node.value.isText ? std::size_t(valueLength) * 2 : valueLength;
  node.value.length = std::min(declared, node.end - node.value.offset);
  node.value.nodeEnd = node.end;
  node.children = std::min(Align4(node.value.offset + declared), node.end);
  return true;
}

bool KeyEquals(ByteView block, const Node &node, const std::string &name) {
  if (node.keyUnits != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    std::uint16_t unit = 0;
    block.U16(node.keyStart + 2 * i, unit);
    if (unit > 0x7F || sys::AsciiLower(char(unit)) != sys::AsciiLower(name[i])) return false;
  }
  return true;
}

// The child of `parent` whose key is `name`. Each step moves forward by the child's
// declared length (at least a header), so a malformed block cannot make it loop.
bool FindChild(ByteView block, const Node &parent, const std::string &name, Node &child) {
  for (std::size_t at = parent.children; at < parent.end; at = child.next) {
    if (!ReadNode(block, at, parent.end, child)) return false;
    if (KeyEquals(block, child, name)) return true;
  }
  return false;
}

}  // namespace

bool FindVersionValue(const unsigned char *data, std::size_t size, const std::string &subBlock, VersionValue &value) {
  ByteView block(data, size);
  Node node;
  if (!ReadNode(block, 0, size, node)) return false;
  std::size_t from = 0;
  while (from < subBlock.size()) {
    std::size_t to = subBlock.find('\\', from);
    if (to == std::string::npos) to = subBlock.size();
    if (to > from) {
      Node child;
      if (!FindChild(block, node, subBlock.substr(from, to - from), child)) return false;
      node = child;
    }
    from = to + 1;
  }
  value = node.value;
  return true;
}

}  // namespace pe
