#include "data/VrRules.h"

#include <array>

namespace dicom {
namespace {

struct Row {
  VrCode vr;
  VrRules rules;
};

// UC, UR, UT and the O*/SV/UV binary VRs came with later editions of the standard; they take the
// long header form, so that files written today decode.
constexpr std::array kTable{
    Row{vr::AE, {' ', Trim::LeadingAndTrailing, false, 0}},
    Row{vr::AS, {' ', Trim::None, false, 0}},
    Row{vr::AT, {' ', Trim::None, false, 2}},
    Row{vr::CS, {' ', Trim::LeadingAndTrailing, false, 0}},
    Row{vr::DA, {' ', Trim::Trailing, false, 0}},
    Row{vr::DS, {' ', Trim::LeadingAndTrailing, false, 0}},
    Row{vr::DT, {' ', Trim::Trailing, false, 0}},
    Row{vr::FD, {' ', Trim::None, false, 8}},
    Row{vr::FL, {' ', Trim::None, false, 4}},
    Row{vr::IS, {' ', Trim::LeadingAndTrailing, false, 0}},
    Row{vr::LO, {' ', Trim::LeadingAndTrailing, false, 0}},
    Row{vr::LT, {' ', Trim::Trailing, false, 0}},
    Row{vr::OB, {'\0', Trim::None, true, 0}},
    Row{vr::OD, {' ', Trim::None, true, 8}},
    Row{vr::OF, {' ', Trim::None, true, 4}},
    Row{vr::OL, {' ', Trim::None, true, 4}},
    Row{vr::OV, {' ', Trim::None, true, 8}},
    Row{vr::OW, {' ', Trim::None, true, 2}},
    Row{vr::PN, {' ', Trim::Trailing, false, 0}},
    Row{vr::SH, {' ', Trim::LeadingAndTrailing, false, 0}},
    Row{vr::SL, {' ', Trim::None, false, 4}},
    Row{vr::SQ, {' ', Trim::None, true, 0}},
    Row{vr::SS, {' ', Trim::None, false, 2}},
    Row{vr::ST, {' ', Trim::Trailing, false, 0}},
    Row{vr::SV, {' ', Trim::None, true, 8}},
    Row{vr::TM, {' ', Trim::Trailing, false, 0}},
    Row{vr::UC, {' ', Trim::Trailing, true, 0}},
    Row{vr::UI, {'\0', Trim::TrailingNul, false, 0}},
    Row{vr::UL, {' ', Trim::None, false, 4}},
    Row{vr::UN, {'\0', Trim::None, true, 0}},
    Row{vr::UR, {' ', Trim::Trailing, true, 0}},
    Row{vr::US, {' ', Trim::None, false, 2}},
    Row{vr::UT, {' ', Trim::Trailing, true, 0}},
    Row{vr::UV, {' ', Trim::None, true, 8}},
};

constexpr VrRules kDefault{' ', Trim::None, false, 0};

}  // namespace

const VrRules& RulesFor(VrCode code) {
  for (const Row& row : kTable) {
    if (row.vr == code) return row.rules;
  }
  return kDefault;
}

}  // namespace dicom
