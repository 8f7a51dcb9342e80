/* A DSP plug-in for the tests: checksums every sample it is handed, then XORs each sample with
 * its TAG so that the next plug-in of the chain (and the output) show that it ran. */
#include <string.h>

#include "engine/DSPPluginApi.h"
#include "TestPluginReport.h"

#ifndef TAG
#define TAG 1
#endif

static TestPluginReport report;

static void Config(winampDSPModule* m) {
  (void)m;
  report.configCalls++;
}

static int Init(winampDSPModule* m) {
  report.initCalls++;
  report.parentAtInit = m->hwndParent;
  report.instanceAtInit = m->hDllInstance;
  return 0;
}

static int ModifySamples(winampDSPModule* m, short int* samples, int numsamples, int bps, int nch,
                         int srate) {
  (void)m;
  if (report.calls == 0) memcpy(report.firstSamples, samples, sizeof report.firstSamples);
  report.calls++;
  report.frames += numsamples;
  report.lastBps = bps;
  report.lastChannels = nch;
  report.lastRate = srate;
  uint64_t h = report.checksum;
  for (int i = 0; i < numsamples * nch; ++i) {
    const unsigned short v = (unsigned short)samples[i];
    h = (h ^ (v & 0xff)) * TEST_PLUGIN_FNV_PRIME;
    h = (h ^ (v >> 8)) * TEST_PLUGIN_FNV_PRIME;
    samples[i] = (short)(samples[i] ^ TAG);
  }
  report.checksum = h;
  return numsamples;
}

static void Quit(winampDSPModule* m) {
  (void)m;
  report.quitCalls++;
}

static winampDSPModule module = {"Checksum test module", 0, 0, Config, Init, ModifySamples, Quit, 0};

static winampDSPModule* GetModule(int which) { return which == 0 ? &module : 0; }

static winampDSPHeader header = {DSP_HDRVER, "Checksum test plug-in", GetModule};

__attribute__((visibility("default"))) winampDSPHeader* winampDSPGetHeader2(void) { return &header; }

__attribute__((visibility("default"))) const TestPluginReport* testPluginReport(void) { return &report; }

__attribute__((visibility("default"))) void testPluginReset(void) {
  memset(&report, 0, sizeof report);
  report.checksum = TEST_PLUGIN_FNV_OFFSET;
}

__attribute__((visibility("default"))) void spinwaveDSPSetTitle(const char* title) {
  strncpy(report.title, title, sizeof report.title - 1);
}

__attribute__((constructor)) static void Start(void) { testPluginReset(); }
