/* What a test plug-in saw, read by the tests through the plug-in's testPluginReport export. */
#ifndef SPINWAVE_TEST_PLUGIN_REPORT_H
#define SPINWAVE_TEST_PLUGIN_REPORT_H

#include <stdint.h>

typedef struct {
  int initCalls;
  int quitCalls;
  int configCalls;
  void* parentAtInit;    /* hwndParent when Init ran */
  void* instanceAtInit;  /* hDllInstance when Init ran */
  long long calls;       /* ModifySamples calls */
  long long frames;      /* frames seen in all */
  uint64_t checksum;     /* FNV-1a over every sample seen, before the plug-in changed it */
  int lastBps, lastChannels, lastRate;
  short firstSamples[8]; /* the first 8 samples of the first call */
  char title[256];       /* the last title received */
} TestPluginReport;

typedef const TestPluginReport* (*TestPluginReportFn)(void);
typedef void (*TestPluginResetFn)(void);

/* The change each checksum plug-in makes to every sample it sees: sample ^= tag. */
#define TEST_PLUGIN_FNV_OFFSET 1469598103934665603ULL
#define TEST_PLUGIN_FNV_PRIME 1099511628211ULL

#endif
