#pragma once
// What the Python package reaches besides the public C API: the library's error texts, the
// boards the installer declared, and the chip's status bits under their names. Included by the
// extension module that cffi generates (python/build_ffi.py reads the declarations from here).
//
// Concurrency: the texts and bits are constants; m716py_installed_boards reads the registry
// store, which any thread may do at any time.

#include <stdint.h>

#include "m716/board/registers.h"

extern "C" {
// The text the programs show for an error code ("Undefined Error Message" for unknown codes).
const char* m716py_error_text(uint32_t code);
// The boards declared in the registry, at most 16: number, base address and IRQ (-1 where the
// value is missing). Returns how many, or -1 when the registry store cannot be read.
int m716py_installed_boards(uint32_t* numbers, int64_t* bases, int64_t* irqs);
// Why the registry store cannot be read, as a person can act on it ("cannot open the registry
// store FILE: permission denied; ..."). Valid until the thread's next call.
const char* m716py_store_refusal(void);
}

// What stopped an axis's last drive: RR1's end status.
#define M716PY_STOPPED_BY_IN0 m716::chip::rr1::StoppedByIn0
#define M716PY_STOPPED_BY_IN1 m716::chip::rr1::StoppedByIn1
#define M716PY_STOPPED_BY_IN2 m716::chip::rr1::StoppedByIn2
#define M716PY_STOPPED_BY_IN3 m716::chip::rr1::StoppedByIn3
#define M716PY_STOPPED_BY_LIMIT_PLUS m716::chip::rr1::StoppedByLimitPlus
#define M716PY_STOPPED_BY_LIMIT_MINUS m716::chip::rr1::StoppedByLimitMinus
#define M716PY_STOPPED_BY_ALARM m716::chip::rr1::StoppedByAlarm
#define M716PY_STOPPED_BY_EMERGENCY m716::chip::rr1::StoppedByEmergency
// Limits, alarm and emergency stop active now: RR2.
#define M716PY_SOFT_LIMIT_PLUS m716::chip::rr2::SoftLimitPlus
#define M716PY_SOFT_LIMIT_MINUS m716::chip::rr2::SoftLimitMinus
#define M716PY_LIMIT_PLUS m716::chip::rr2::LimitPlus
#define M716PY_LIMIT_MINUS m716::chip::rr2::LimitMinus
#define M716PY_ALARM m716::chip::rr2::Alarm
#define M716PY_EMERGENCY m716::chip::rr2::Emergency
// An axis's raw input levels: its byte of RR4 / RR5.
#define M716PY_INPUT_IN0 m716::chip::input::In0
#define M716PY_INPUT_IN1 m716::chip::input::In1
#define M716PY_INPUT_IN2 m716::chip::input::In2
#define M716PY_INPUT_IN3 m716::chip::input::In3
#define M716PY_INPUT_JOG_PLUS m716::chip::input::JogPlus
#define M716PY_INPUT_JOG_MINUS m716::chip::input::JogMinus
#define M716PY_INPUT_IN_POSITION m716::chip::input::InPosition
#define M716PY_INPUT_ALARM m716::chip::input::Alarm
// The interrupt factors M716MotEnableEvent enables and M716MotCheckEvent reports: RR3.
#define M716PY_FACTOR_PULSE m716::chip::rr3::Pulse
#define M716PY_FACTOR_AT_OR_ABOVE_COMPARE_MINUS m716::chip::rr3::AtOrAboveCompareMinus
#define M716PY_FACTOR_BELOW_COMPARE_MINUS m716::chip::rr3::BelowCompareMinus
#define M716PY_FACTOR_BELOW_COMPARE_PLUS m716::chip::rr3::BelowComparePlus
#define M716PY_FACTOR_AT_OR_ABOVE_COMPARE_PLUS m716::chip::rr3::AtOrAboveComparePlus
#define M716PY_FACTOR_ACCELERATION_ENDED m716::chip::rr3::AccelerationEnded
#define M716PY_FACTOR_DECELERATION_STARTED m716::chip::rr3::DecelerationStarted
#define M716PY_FACTOR_DRIVE_ENDED m716::chip::rr3::DriveEnded
// The largest distance of one point-to-point move and the largest value of an interpolation.
#define M716PY_MAX_DISTANCE m716::chip::kMaxDistance
#define M716PY_MAX_PATH_OFFSET m716::chip::kMaxPathOffset
