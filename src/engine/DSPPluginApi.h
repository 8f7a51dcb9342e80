/* Spinwave DSP plug-in interface: the layout of the Winamp DSP plug-in header and module, for
 * shared objects that process or encode the mixed sound of a deck output.
 *
 * A plug-in is a shared object (plugins/dsp_sc.so, plugins/dsp_encoders.so,
 * plugins/player1/multidsp.so, plugins/player2/multidsp.so under the program folder) exporting
 * winampDSPGetHeader2 with C linkage. The host asks the header for module 0, writes the module's
 * hwndParent and hDllInstance fields, then calls Init once on the interface thread,
 * ModifySamples for every mixed block on the sound library's mixing thread, and Quit once on the
 * interface thread before it unloads the file. Config may be called on the interface thread at
 * any time between Init and Quit.
 *
 * ModifySamples gets `numsamples` stereo frames of signed 16-bit samples at 44100 Hz
 * (bps 16, nch 2, srate 44100), interleaved left/right. It may change them in place and returns
 * the frame count (the host does not use it). It runs on the real-time mixing thread: it must
 * not block, lock, allocate or do file or network work; it may copy the samples somewhere and
 * return. A block of digital silence arrives as the pattern (1, 1), (-1, -1), ... instead of
 * zeros.
 *
 * This header is plain C and depends on nothing else, so that plug-ins can be built against it
 * alone.
 */
#ifndef SPINWAVE_DSP_PLUGIN_API_H
#define SPINWAVE_DSP_PLUGIN_API_H

#ifdef __cplusplus
extern "C" {
#endif

/* The header version a plug-in sets in winampDSPHeader.version. */
#define DSP_HDRVER 0x20

typedef struct winampDSPModule {
  char *description;
  /* The host's window the module may parent its windows on: a QWidget* of the console, or null
   * (no window to parent on). Written by the host before Init. */
  void *hwndParent;
  /* The handle of the loaded plug-in file (as dlopen returned it). Written by the host. */
  void *hDllInstance;
  void (*Config)(struct winampDSPModule *this_mod);
  int (*Init)(struct winampDSPModule *this_mod);
  int (*ModifySamples)(struct winampDSPModule *this_mod, short int *samples, int numsamples,
                       int bps, int nch, int srate);
  void (*Quit)(struct winampDSPModule *this_mod);
  void *userData;
} winampDSPModule;

typedef struct {
  int version;
  char *description;
  winampDSPModule *(*getModule)(int which);
} winampDSPHeader;

/* The one export every plug-in has. */
typedef winampDSPHeader *(*winampDSPGetHeaderType)(void);
#define WINAMP_DSP_GET_HEADER "winampDSPGetHeader2"

/* Optional export: the title now on air, as UTF-8 ("Artist - Title"), called on the interface
 * thread whenever it changes (a streaming plug-in sends it as the stream's metadata). The text
 * is only valid during the call. */
typedef void (*spinwaveDSPSetTitleType)(const char *utf8Title);
#define SPINWAVE_DSP_SET_TITLE "spinwaveDSPSetTitle"

#ifdef __cplusplus
}
#endif

#endif /* SPINWAVE_DSP_PLUGIN_API_H */
