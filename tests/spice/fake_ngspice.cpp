// A libngspice that accepts every command but whose background thread never starts.
#include <ngspice/sharedspice.h>

extern "C" {
int ngSpice_Init(SendChar*, SendStat*, ControlledExit*, SendData*, SendInitData*, BGThreadRunning*,
                 void*) {
  return 0;
}
int ngSpice_Circ(char**) {
  return 0;
}
int ngSpice_Command(char*) {
  return 0;
}
char* ngSpice_CurPlot() {
  return nullptr;
}
char** ngSpice_AllVecs(char*) {
  return nullptr;
}
pvector_info ngGet_Vec_Info(char*) {
  return nullptr;
}
}
