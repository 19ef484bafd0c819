#include "data/DataSet.h"

namespace dicom {

DataSet::InsertResult DataSet::Insert(Tag tag, ValuePtr value) {
  // Readers insert in ascending order, so the end is the usual place and costs no search.
  auto hint = elements_.end();
  if (!elements_.empty() && std::prev(hint)->first >= tag) hint = elements_.lower_bound(tag);
  if (hint != elements_.end() && hint->first == tag) return {hint, false};
  return {elements_.emplace_hint(hint, tag, std::move(value)), true};
}

DataSet::InsertResult DataSet::Emplace(Tag tag, ElementValue value) {
  return Insert(tag, std::make_shared<const ElementValue>(std::move(value)));
}

DataSet::InsertResult DataSet::InsertEmpty(Tag tag, VrCode vr) {
  return Emplace(tag, ElementValue(vr));
}
DataSet::InsertResult DataSet::InsertText(Tag tag, VrCode vr, std::string_view text) {
  return Emplace(tag, ElementValue(vr, text));
}
DataSet::InsertResult DataSet::InsertRaw(Tag tag, VrCode vr, std::uint32_t length,
                                         std::unique_ptr<std::uint8_t[]> data) {
  return Emplace(tag, ElementValue(vr, length, std::move(data)));
}
DataSet::InsertResult DataSet::InsertUS(Tag tag, std::uint16_t value) {
  return Emplace(tag, ElementValue::FromUS(value));
}
DataSet::InsertResult DataSet::InsertSS(Tag tag, std::int16_t value) {
  return Emplace(tag, ElementValue::FromSS(value));
}
DataSet::InsertResult DataSet::InsertUL(Tag tag, std::uint32_t value) {
  return Emplace(tag, ElementValue::FromUL(value));
}
DataSet::InsertResult DataSet::InsertSL(Tag tag, std::int32_t value) {
  return Emplace(tag, ElementValue::FromSL(value));
}
DataSet::InsertResult DataSet::InsertFL(Tag tag, float value) {
  return Emplace(tag, ElementValue::FromFL(value));
}
DataSet::InsertResult DataSet::InsertFD(Tag tag, double value) {
  return Emplace(tag, ElementValue::FromFD(value));
}
DataSet::InsertResult DataSet::InsertSequence(Tag tag, Sequence items) {
  return Emplace(tag, ElementValue(std::move(items)));
}

void DataSet::CopyElements(std::initializer_list<Tag> tags, const DataSet& source) {
  for (Tag tag : tags) {
    auto found = source.elements_.find(tag);
    if (found != source.elements_.end()) Insert(tag, found->second);
  }
}

const ElementValue* DataSet::Find(Tag tag) const {
  auto found = elements_.find(tag);
  return found == elements_.end() ? nullptr : found->second.get();
}

ValuePtr DataSet::GetValue(Tag tag) const {
  auto found = elements_.find(tag);
  return found == elements_.end() ? nullptr : found->second;
}

bool DataSet::GetValue(Tag tag, ValuePtr& out) const {
  auto found = elements_.find(tag);
  if (found == elements_.end()) return false;
  out = found->second;
  return true;
}

const std::uint8_t* DataSet::GetData(Tag tag) const {
  const ElementValue* value = Find(tag);
  return value ? value->Data() : nullptr;
}

const Sequence* DataSet::GetSequence(Tag tag) const {
  const ElementValue* value = Find(tag);
  return value ? value->Items() : nullptr;
}

std::string DataSet::GetText(Tag tag, VrCode vr) const {
  const ElementValue* value = Find(tag);
  return value ? value->Text(vr) : std::string();
}

bool DataSet::GetText(Tag tag, VrCode vr, std::string& out) const {
  const ElementValue* value = Find(tag);
  if (value == nullptr) return false;
  out = value->Text(vr);
  return true;
}

std::string DataSet::GetTextValue(Tag tag, std::uint32_t n, VrCode vr) const {
  const ElementValue* value = Find(tag);
  return value ? value->TextValue(vr, n) : std::string();
}

#define DICOM_TYPED_GETTERS(NAME, TYPE)                           \
  TYPE DataSet::NAME(Tag tag, std::uint32_t n) const {            \
    const ElementValue* value = Find(tag);                        \
    return value ? value->NAME(n) : TYPE{};                       \
  }                                                               \
  bool DataSet::NAME(Tag tag, TYPE& out, std::uint32_t n) const { \
    const ElementValue* value = Find(tag);                        \
    return value != nullptr && value->NAME(out, n);               \
  }

DICOM_TYPED_GETTERS(GetUS, std::uint16_t)
DICOM_TYPED_GETTERS(GetSS, std::int16_t)
DICOM_TYPED_GETTERS(GetUL, std::uint32_t)
DICOM_TYPED_GETTERS(GetSL, std::int32_t)
DICOM_TYPED_GETTERS(GetFL, float)
DICOM_TYPED_GETTERS(GetFD, double)

#undef DICOM_TYPED_GETTERS

std::size_t DataSet::CountElements(bool recursive) const {
  std::size_t count = elements_.size();
  if (!recursive) return count;
  for (const auto& [tag, value] : elements_) {
    if (const Sequence* items = value->Items()) {
      for (const ItemPtr& item : *items)
        count += item->CountElements(true);
    }
  }
  return count;
}

}  // namespace dicom
