/* The streaming plug-in's state for whoever hosts it (the console's options, tests): the optional
 * export spinwaveDspScStatus fills this record. Plain C, like DSPPluginApi.h. */
#ifndef SPINWAVE_DSP_SC_STATUS_H
#define SPINWAVE_DSP_SC_STATUS_H

#ifdef __cplusplus
extern "C" {
#endif

/* state: 0 stopped, 1 idle (no server configured), 2 connecting, 3 connected, 4 waiting to try
 * again. */
typedef struct {
  int state;
  int connections;       /* connections made since the plug-in started */
  int titlesSent;        /* titles the server accepted */
  int retryInSeconds;    /* while waiting */
  long long sentBytes;   /* MP3 bytes handed to the connection */
  long long droppedBlocks; /* mixed blocks lost because the sending fell behind */
  char text[256];        /* the state as the configuration window shows it (UTF-8) */
} DspScStatus;

typedef int (*spinwaveDspScStatusType)(DspScStatus *status); /* 0 before Init / after Quit */
#define SPINWAVE_DSP_SC_STATUS "spinwaveDspScStatus"

#ifdef __cplusplus
}
#endif

#endif
