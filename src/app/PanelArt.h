// The console's built-in pictures, drawn in code: the background of the deck panel and of the
// audio-control panel, and the glyphs of the transport and console buttons. A skin replaces
// them later with its own bitmaps by the same roles.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace spinwave::art {

// Colours of the built-in look (a dark console).
inline const QColor kBackground(18, 20, 26);
inline const QColor kPlate(30, 34, 44);
inline const QColor kPlateEdge(58, 64, 80);
inline const QColor kText(184, 192, 208);
inline const QColor kArtistText(236, 240, 248);
inline const QColor kTitleText(150, 178, 220);
inline const QColor kAccent(120, 200, 255);

enum class Symbol {
  Play, Stop, SetCue, ToCue, SearchBack, SearchForw, TrackBack, TrackForw, Fade, Eject,
  PitchUp, PitchDown, Talk, Text,
};

// A button face of `size`: the symbol (or `caption` for Symbol::Text) on a dark key, lit
// (`on`) in `lit`.
QPixmap Glyph(Symbol symbol, QSize size, bool on, const QColor& lit = kAccent,
              const QString& caption = QString());

// The deck panel's background: `size`, with the plates behind the decks' controls
// (`plates`, in panel coordinates) and the small captions of the displays.
QPixmap PlayersPicture(QSize size, const std::vector<QRect>& plates);
QPixmap AudioCtrlPicture(QSize size);

}  // namespace spinwave::art
