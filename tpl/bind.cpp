// Binding: parses a type string and builds the mapping over the caller's variables.
#include "tpl/mapping.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

namespace tpl {

size_t value_size(int32_t type)
{
  switch (type) {
  case BYTE: return 1;
  case INT16:
  case UINT16: return 2;
  case INT32:
  case UINT32: return 4;
  case STRING:
  case DOUBLE:
  case INT64:
  case UINT64: return 8;
  default: return 0;
  }
}

int32_t simple_type(char c)
{
  switch (c) {
  case 'i': return INT32;
  case 'u': return UINT32;
  case 'c': return BYTE;
  case 's': return STRING;
  case 'f': return DOUBLE;
  case 'I': return INT64;
  case 'U': return UINT64;
  case 'j': return INT16;
  case 'v': return UINT16;
  default: return ROOT;
  }
}

namespace {

constexpr int max_dimensions = 10;

size_t round_up(size_t value, size_t multiple) { return (value + multiple - 1) / multiple * multiple; }

// Image bytes of one value when fixed (strings are 4 bytes when null, so not fixed).
int64_t fixed_bytes(int32_t type, int64_t count)
{
  return type == STRING ? -1 : static_cast<int64_t>(value_size(type)) * count;
}

class Parser {
public:
  Parser(const char *text, va_list &arguments, tpl_node *root)
      : at_(text), arguments_(arguments), root_(root)
  {
  }

  bool parse() { return items(root_, false) && *at_ == '\0'; }

  // Where parsing stopped; an unknown character there is named in the report.
  char stopped_at() const { return *at_; }

private:
  // Items of the root or of an A, up to the end of the string or the closing ")".
  bool items(tpl_node *container, bool closed_by_parenthesis)
  {
    for (;;) {
      const char c = *at_;
      if (c == '\0') return !closed_by_parenthesis;
      if (c == ')') {
        if (!closed_by_parenthesis || container->children.empty()) return false;
        ++at_;
        return true;
      }
      tpl_node *item = nullptr;
      if (const int32_t type = simple_type(c); type != ROOT) {
        item = make(type, va_arg(arguments_, void *), container);
        ++at_;
        if (!dimensions(item->count)) return false;
      } else if (c == 'B') {
        item = make(BIN, va_arg(arguments_, void *), container);
        ++at_;
      } else if (c == 'A') {
        item = make(ARRAY, nullptr, container);
        root_->root->arrays.push_back(item);
        ++at_;
        if (!open() || !items(item, true)) return false;
      } else if (c == 'S') {
        item = make(STRUCTS, va_arg(arguments_, void *), container);
        ++at_;
        item->members.reserve(std::strlen(at_)); // at most one member per character
        if (!open() || !structure(item)) return false;
      } else {
        return false;
      }
      if (*at_ == '#') return false; // after B, or after the ")" of an A
    }
  }

  tpl_node *make(int32_t type, void *address, tpl_node *container)
  {
    tpl_node *node = create<tpl_node>();
    node->type = type;
    node->address = address;
    node->parent = container;
    container->children.push_back(node);
    return node;
  }

  bool open()
  {
    if (*at_ != '(') return false;
    ++at_;
    return true;
  }

  // An S group after its "(": members, "$" groups, the ")" and the record count.
  bool structure(tpl_node *group)
  {
    size_t end = 0;
    size_t largest = 1;
    if (!members(group, end, largest)) return false;
    group->record_size = round_up(end, largest);
    int32_t records = 1;
    if (!dimensions(records)) return false;
    for (const Member &member : group->members)
      if (static_cast<int64_t>(member.count) * records > INT32_MAX) return false;
    group->count = records;
    return true;
  }

  // Members up to and including the ")" that closes the current S or "$" group.
  bool members(tpl_node *group, size_t &end, size_t &largest)
  {
    const size_t first = group->members.size();
    for (;;) {
      const char c = *at_;
      if (c == ')') {
        if (group->members.size() == first) return false;
        ++at_;
        return true;
      }
      if (c == '$') {
        ++at_;
        if (!open() || !members(group, end, largest)) return false;
        continue;
      }
      const int32_t type = simple_type(c);
      if (type == ROOT) return false;
      const size_t size = value_size(type);
      Member member{type, 1, round_up(end, size)};
      ++at_;
      if (!dimensions(member.count)) return false;
      end = member.offset + size * static_cast<size_t>(member.count);
      if (size > largest) largest = size;
      group->members.push_back(member);
    }
  }

  // A run of "#": one dimension argument each; the product becomes the count.
  bool dimensions(int32_t &count)
  {
    int64_t product = 1;
    for (int run = 0; *at_ == '#'; ++at_) {
      if (++run > max_dimensions) fatal("contiguous # exceeds hardcoded limit\n");
      const int dimension = va_arg(arguments_, int);
      if (dimension < 1) fatal("non-positive iteration count %d\n", dimension);
      product *= dimension;
      if (product > INT32_MAX) return false;
      root_->root->dimensions.push_back(static_cast<uint32_t>(dimension));
      root_->root->fixed_size += 4;
    }
    count = static_cast<int32_t>(product);
    return true;
  }

  const char *at_;
  va_list &arguments_;
  tpl_node *root_;
};

// Fixed element sizes of the root and every A, innermost first.
int64_t compute_fixed_size(tpl_node *container)
{
  int64_t total = 0;
  for (tpl_node *item : container->children) {
    int64_t bytes = -1;
    switch (item->type) {
    case ARRAY: compute_fixed_size(item); break;
    case BIN: break;
    case STRUCTS:
      bytes = 0;
      for (const Member &member : item->members) {
        const int64_t member_bytes = fixed_bytes(member.type, member.count);
        if (member_bytes < 0) {
          bytes = -1;
          break;
        }
        bytes += member_bytes * item->count;
      }
      break;
    default: bytes = fixed_bytes(item->type, item->count);
    }
    if (bytes < 0 || total < 0)
      total = -1;
    else
      total += bytes;
  }
  container->fixed_element_size = total;
  return total;
}

void destroy_tree(tpl_node *node)
{
  for (tpl_node *child : node->children) destroy_tree(child);
  destroy(node->root);
  destroy(node);
}

} // namespace

size_t fresh_size(const tpl_node *item)
{
  switch (item->type) {
  case STRING: return 4u * static_cast<size_t>(item->count);
  case BIN:
  case ARRAY: return 4;
  case STRUCTS: {
    size_t record = 0;
    for (const Member &member : item->members)
      record += member.type == STRING ? 4u * member.count : value_size(member.type) * member.count;
    return record * static_cast<size_t>(item->count);
  }
  default: return value_size(item->type) * static_cast<size_t>(item->count);
  }
}

} // namespace tpl

using namespace tpl;

extern "C" tpl_node *tpl_vbind(const char *type_string, va_list arguments)
{
  if (type_string == nullptr) {
    report("failed to parse %s\n", "(null)");
    return nullptr;
  }
  tpl_node *root = create<tpl_node>();
  root->root = create<Root>();
  const size_t length = std::strlen(type_string);
  root->root->fixed_size = 8 + length + 1;
  root->root->dimensions.reserve(static_cast<size_t>(std::count(type_string, type_string + length, '#')));

  va_list copy;
  va_copy(copy, arguments);
  Parser parser(type_string, copy, root);
  const bool parsed = parser.parse();
  va_end(copy);
  if (!parsed) {
    const char c = parser.stopped_at();
    if (c != '\0' && std::strchr(image_characters, c) == nullptr) report("unsupported option %c\n", c);
    report("failed to parse %s\n", type_string);
    destroy_tree(root);
    return nullptr;
  }
  root->root->type_string.append(type_string, length + 1);
  compute_fixed_size(root);
  return root;
}

extern "C" tpl_node *tpl_bind(const char *type_string, ...)
{
  va_list arguments;
  va_start(arguments, type_string);
  tpl_node *root = tpl_vbind(type_string, arguments);
  va_end(arguments);
  return root;
}

extern "C" void tpl_release(tpl_node *root)
{
  if (root == nullptr || root->root == nullptr) return;
  reset(root);
  destroy_tree(root);
}
