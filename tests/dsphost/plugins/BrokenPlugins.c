/* Plug-ins that fail in the ways real ones do, one per BROKEN value:
 * 1 Init dereferences a null pointer; 2 no winampDSPGetHeader2 export; 3 the header has no
 * module 0; 4 the file needs a symbol that nothing provides. */
#include "engine/DSPPluginApi.h"

#if BROKEN == 1
static int Init(winampDSPModule* m) {
  (void)m;
  volatile int* nowhere = 0;
  *nowhere = 42;
  return 0;
}
static int ModifySamples(winampDSPModule* m, short int* s, int n, int b, int c, int r) {
  (void)m; (void)s; (void)b; (void)c; (void)r;
  return n;
}
static void Quit(winampDSPModule* m) { (void)m; }
static winampDSPModule module = {"Crashing module", 0, 0, 0, Init, ModifySamples, Quit, 0};
static winampDSPModule* GetModule(int which) { return which == 0 ? &module : 0; }
static winampDSPHeader header = {DSP_HDRVER, "Crashing plug-in", GetModule};
__attribute__((visibility("default"))) winampDSPHeader* winampDSPGetHeader2(void) { return &header; }
#elif BROKEN == 2
__attribute__((visibility("default"))) int someOtherExport(void) { return 2; }
#elif BROKEN == 3
static winampDSPModule* GetModule(int which) { (void)which; return 0; }
static winampDSPHeader header = {DSP_HDRVER, "Plug-in without a module", GetModule};
__attribute__((visibility("default"))) winampDSPHeader* winampDSPGetHeader2(void) { return &header; }
#elif BROKEN == 4
extern int spinwaveSymbolNobodyHas(void);
static winampDSPModule module = {"Unresolved module", 0, 0, 0, 0, 0, 0, 0};
static winampDSPModule* GetModule(int which) { return which == spinwaveSymbolNobodyHas() ? &module : 0; }
static winampDSPHeader header = {DSP_HDRVER, "Plug-in with a missing symbol", GetModule};
__attribute__((visibility("default"))) winampDSPHeader* winampDSPGetHeader2(void) { return &header; }
#endif
