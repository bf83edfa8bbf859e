#include "m716/error_texts.h"

#include <array>

namespace m716 {
namespace {

// String identifiers 1..61, the error texts (39, 41, 43, 48 and 57 hold a single blank), and
// 62..67, the utility's own texts.
constexpr std::array<const char*, 68> kStringTable = {
    "",
    "The assigned Board number error",
    "System return error when open kernel driver",
    "System return error when call kernel driver",
    "Open Registry file error",
    "Read Registry file error",
    "The assigned axis number error",
    "RG value is under valid range",
    "RG value is over valid range",
    "SV value is under valid range",
    "SV value is over valid range",
    "MDV value is over valid range",
    "DV value is under valid range",
    "DV value is over valid range",
    "AC value is under valid range",
    "AC value is over valid range",
    "AK value is under valid range",
    "AK value is over valid range",
    "PLmt value is over valid range",
    "NLmt value is over valid range",
    "Moving distance is over single maximum distance",
    "One of the assigned axis is in busy state",
    "The assigned Register have no defined",
    "One of the assigned parameter value is invalid",
    "One of the assigned parameter value is over valid value",
    "One of the assigned parameter value is under valid value",
    "One of the assigned axis is in Home process",
    "One of the assigned axis is in External driving mode",
    "Write Registry file error",
    "One of the assigned parameter value is over valid value",
    "One of the assigned parameter value is under valid value",
    "DC value is over valid range",
    "DC value is under valid range",
    "MDV value is under valid range",
    "Create Registry file fail",
    "Create internal Thread error",
    "Return Home process be stopped by M716MotStop function",
    "The speed parameter is invalid",
    "Output DO when DO type is assigned to indicator function",
    " ",
    "System return error when create IRQ event",
    " ",
    "System return error when in M716MotDevClose process",
    " ",
    "Return home process be stopped by hardware emergency stop input",
    "Return home process be stopped by hardware positive limited switch",
    "Return home process be stopped by hardware negative limited switch",
    "Return home process be stopped by ALARM signal input",
    " ",
    "System return error when buffer allocate",
    "The assigned buffer have been allocated and try to reallocate again",
    "The handle of assigned Buffer is NULL or has been freed before",
    "The first data hasn't been set and try to set other number data",
    "Current buffer is full",
    "The assigned Buffer number hasn't created",
    "The point number is not continue number of previous setting data",
    "Path type is not IPO_L2, IPO_L3, IPO_CW or IPO_CCW",
    " ",
    "Continue Data buffer have mixed IPO_L2 and IPO_L3 or IPO_CW/IPO_CCW and IPO_L3 path type",
    "Buffer contain only one data",
    "Device not in the system",
    "Undefined Error Message",
    "No axis is selected, please select axis first",
    "No board is selected",
    "For detail information, please refer to MCB716.chm",
    "It will change the Board settings and save the parameters to the system registry",
    "These two monitor chart is for reference only",
    "Do you want do change the register value ?",
};

}  // namespace

std::uint32_t errorStringId(std::uint32_t code) {
  if (code >= 1 && code <= 38) return code;
  if (code == 48) return 40;
  if (code == 50) return 42;
  if (code >= 64 && code <= 67) return code - 20;
  if (code >= 80 && code <= 87) return code - 31;
  if (code >= 96 && code <= 98) return code - 38;
  return kUndefinedErrorStringId;
}

const char* stringTableText(std::uint32_t id) {
  return id < kStringTable.size() ? kStringTable[id] : "";
}

const char* errorText(std::uint32_t code) {
  return stringTableText(errorStringId(code));
}

}  // namespace m716
