#pragma once

#include <cstdint>

namespace dicom {

// Two VR characters, the first in the low byte: OB is 0x424F. UN also marks a VR not yet known.
using VrCode = std::uint32_t;

constexpr VrCode MakeVr(char first, char second) {
  return static_cast<VrCode>(static_cast<unsigned char>(first)) |
         (static_cast<VrCode>(static_cast<unsigned char>(second)) << 8);
}
constexpr char VrFirst(VrCode vr) {
  return static_cast<char>(vr & 0xFF);
}
constexpr char VrSecond(VrCode vr) {
  return static_cast<char>((vr >> 8) & 0xFF);
}

namespace vr {
constexpr VrCode AE = MakeVr('A', 'E');
constexpr VrCode AS = MakeVr('A', 'S');
constexpr VrCode AT = MakeVr('A', 'T');
constexpr VrCode CS = MakeVr('C', 'S');
constexpr VrCode DA = MakeVr('D', 'A');
constexpr VrCode DS = MakeVr('D', 'S');
constexpr VrCode DT = MakeVr('D', 'T');
constexpr VrCode FD = MakeVr('F', 'D');
constexpr VrCode FL = MakeVr('F', 'L');
constexpr VrCode IS = MakeVr('I', 'S');
constexpr VrCode LO = MakeVr('L', 'O');
constexpr VrCode LT = MakeVr('L', 'T');
constexpr VrCode OB = MakeVr('O', 'B');
constexpr VrCode OD = MakeVr('O', 'D');
constexpr VrCode OF = MakeVr('O', 'F');
constexpr VrCode OL = MakeVr('O', 'L');
constexpr VrCode OV = MakeVr('O', 'V');
constexpr VrCode OW = MakeVr('O', 'W');
constexpr VrCode PN = MakeVr('P', 'N');
constexpr VrCode SH = MakeVr('S', 'H');
constexpr VrCode SL = MakeVr('S', 'L');
constexpr VrCode SQ = MakeVr('S', 'Q');
constexpr VrCode SS = MakeVr('S', 'S');
constexpr VrCode ST = MakeVr('S', 'T');
constexpr VrCode SV = MakeVr('S', 'V');
constexpr VrCode TM = MakeVr('T', 'M');
constexpr VrCode UC = MakeVr('U', 'C');
constexpr VrCode UI = MakeVr('U', 'I');
constexpr VrCode UL = MakeVr('U', 'L');
constexpr VrCode UN = MakeVr('U', 'N');
constexpr VrCode UR = MakeVr('U', 'R');
constexpr VrCode US = MakeVr('U', 'S');
constexpr VrCode UT = MakeVr('U', 'T');
constexpr VrCode UV = MakeVr('U', 'V');
}  // namespace vr

}  // namespace dicom
