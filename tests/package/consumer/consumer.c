/* An application of the installed library: board 0 answers, its logical counter takes a
 * preset, and (with the simulator's control API) a move of 100 pulses ends where it should. */
#include <stdio.h>

#include "KRVM716.h"
#ifdef WITH_SIMULATOR
#include "m716sim.h"
#endif

static int check(const char* what, uint32_t code) {
  if (code != 0) fprintf(stderr, "%s: error %u\n", what, (unsigned)code);
  return code == 0;
}

int main(void) {
  uint32_t mask = 0;
  int32_t position = 0;
  if (!check("M716MotDevAvailable", M716MotDevAvailable(&mask)) || mask != 1) return 1;
  if (!check("M716MotDevOpen", M716MotDevOpen(0)) ||
      !check("M716SetTheorecticalRegister", M716SetTheorecticalRegister(0, 1, 1234)))
    return 1;
#ifdef WITH_SIMULATOR
  M716SimSetSpeedFactor(0);
  if (!check("M716MotPtp", M716MotPtp(0, 1, 0, 100, 0, 0, 0))) return 1;
  M716SimAdvance(1.0);
  if (!check("M716MotAxisBusy", M716MotAxisBusy(0, 1))) return 1;
#endif
  if (!check("M716GetTheorecticalRegister", M716GetTheorecticalRegister(0, 1, &position))) return 1;
  printf("X at %d\n", (int)position);
  return check("M716MotDevClose", M716MotDevClose(0)) ? 0 : 1;
}
