#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "data/ElementValue.h"
#include "data/Tag.h"

namespace dicom {

// A tag with its shared value: what the element readers produce and a data set stores.
struct DataElement {
  Tag tag = 0;
  ValuePtr value;
};

// Elements ordered by tag. Inserts never replace; copies share the values. Group length elements
// are never kept: the readers drop them and the writers add them.
class DataSet {
 public:
  using Map = std::map<Tag, ValuePtr>;
  using const_iterator = Map::const_iterator;
  using InsertResult = std::pair<const_iterator, bool>;

  void Clear() { elements_.clear(); }
  bool Empty() const { return elements_.empty(); }
  std::size_t Size() const { return elements_.size(); }
  const_iterator begin() const { return elements_.begin(); }
  const_iterator end() const { return elements_.end(); }

  InsertResult Insert(Tag tag, ValuePtr value);
  InsertResult InsertEmpty(Tag tag, VrCode vr);
  InsertResult InsertText(Tag tag, VrCode vr, std::string_view text);
  InsertResult InsertRaw(Tag tag, VrCode vr, std::uint32_t length,
                         std::unique_ptr<std::uint8_t[]> data);
  InsertResult InsertUS(Tag tag, std::uint16_t value);
  InsertResult InsertSS(Tag tag, std::int16_t value);
  InsertResult InsertUL(Tag tag, std::uint32_t value);
  InsertResult InsertSL(Tag tag, std::int32_t value);
  InsertResult InsertFL(Tag tag, float value);
  InsertResult InsertFD(Tag tag, double value);
  InsertResult InsertSequence(Tag tag, Sequence items);

  // Shares the source's value of each listed tag that the source holds; present tags stay as they
  // are.
  void CopyElements(std::initializer_list<Tag> tags, const DataSet& source);

  bool Contains(Tag tag) const { return elements_.find(tag) != elements_.end(); }
  ValuePtr GetValue(Tag tag) const;
  bool GetValue(Tag tag, ValuePtr& out) const;
  const std::uint8_t* GetData(Tag tag) const;
  const Sequence* GetSequence(Tag tag) const;
  std::string GetText(Tag tag, VrCode vr) const;
  bool GetText(Tag tag, VrCode vr, std::string& out) const;
  std::string GetTextValue(Tag tag, std::uint32_t n, VrCode vr) const;

  std::uint16_t GetUS(Tag tag, std::uint32_t n = 0) const;
  std::int16_t GetSS(Tag tag, std::uint32_t n = 0) const;
  std::uint32_t GetUL(Tag tag, std::uint32_t n = 0) const;
  std::int32_t GetSL(Tag tag, std::uint32_t n = 0) const;
  float GetFL(Tag tag, std::uint32_t n = 0) const;
  double GetFD(Tag tag, std::uint32_t n = 0) const;
  bool GetUS(Tag tag, std::uint16_t& out, std::uint32_t n) const;
  bool GetSS(Tag tag, std::int16_t& out, std::uint32_t n) const;
  bool GetUL(Tag tag, std::uint32_t& out, std::uint32_t n) const;
  bool GetSL(Tag tag, std::int32_t& out, std::uint32_t n) const;
  bool GetFL(Tag tag, float& out, std::uint32_t n) const;
  bool GetFD(Tag tag, double& out, std::uint32_t n) const;

  // Number of elements; when recursive, plus the elements of every item at every depth.
  std::size_t CountElements(bool recursive) const;

 private:
  const ElementValue* Find(Tag tag) const;
  InsertResult Emplace(Tag tag, ElementValue value);

  Map elements_;
};

}  // namespace dicom
