#include "app/ConsoleLook.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>

#include "app/ConsoleCore.h"
#include "library/LibraryBrowser.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/DirTreeView.h"
#include "controls/TEMButton.h"
#include "controls/TEMLCD.h"
#include "controls/TEMLed.h"
#include "controls/TEMSlider.h"
#include "controls/TRLed.h"
#include "core/SettingsFile.h"
#include "options/OptionsStore.h"
#include "table/TEMDBGrid.h"

namespace spinwave {

namespace {

// Skin colour keys of the buttons and the controls they colour: the stem of the light and shade
// keys, whether the keys end in "Color" (the stop and play buttons) or "Clr", and the button's
// name (a deck button without its deck number).
struct ButtonColours {
  const char* stem;
  bool longKeys;
  const char* button;
  bool perDeck;
};
const ButtonColours kButtonColours[] = {
    {"StopBtn", true, "Stop", true},           {"PlayBtn", true, "Play", true},
    {"TrackBBtn", false, "TrackBack", true},   {"TrackFBtn", false, "TrackForw", true},
    {"SetCueBtn", false, "SetCue", true},      {"ToCueBtn", false, "ToCue", true},
    {"CuePosBBtn", false, "SearchBack", true}, {"CuePosFBtn", false, "SearchForw", true},
    {"FadeBtn", false, "Fade", true},          {"PitchDownBtn", false, "PitchDown", true},
    {"PitchUpBtn", false, "PitchUp", true},    {"EjectBtn", false, "Eject", true},
    {"TalkBtn", false, "Talkover", false},     {"BreakBtn", false, "Break", false},
    {"ShuffleBtn", false, "Shuffle", false},   {"XFaderBtn", false, "XFader", false},
    {"ClearVBtn", false, "ClearV", false},     {"ClearXBtn", false, "ClearX", false},
    {"NewListBtn", false, "ClearList", false}, {"OpenListBtn", false, "OpenList", false},
    {"SaveListBtn", false, "SaveList", false}, {"JinglesBtn", false, "Jingles", false},
    {"SetupBtn", false, "Setup", false},       {"StreamBtn", false, "SendInfo", false},
    {"Live365Btn", false, "ShowLive365", false},
};

// Deck controls whose right-deck twin copies the left deck's glyphs and thumbs.
const char* const kTwinButtons[] = {"Stop", "Play", "TrackBack", "TrackForw", "SetCue", "ToCue",
                                    "SearchBack", "SearchForw", "Fade", "PitchDown", "PitchUp",
                                    "Eject"};
const char* const kTwinSliders[] = {"Slider", "Volume", "Pitch"};

template <typename T>
T* Child(QWidget* root, const QString& name) {
  return root ? root->findChild<T*>(name) : nullptr;
}

void SetTextColour(QWidget* w, const QColor& c) {
  if (!w) return;
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, c);
  w->setPalette(p);
}

}  // namespace

ConsoleLook::ConsoleLook(TSpinwaveMain& window) : QObject(&window), window_(window) {
  connect(&language_, &TLanguage::FadeMenuChanged, this, [this](const QStringList& entries) {
    const QList<QAction*> items = window_.FadeSub()->actions();
    for (int i = 0; i < items.size() && i < entries.size(); ++i) items[i]->setText(entries[i]);
  });
  connect(&language_, &TLanguage::LayoutChanged, this, &ConsoleLook::RelayoutAfterLanguage);
  connect(&language_, &TLanguage::FilterColumnsChanged, this, &ConsoleLook::filterColumnsChanged);
  connect(&language_, &TLanguage::LibraryNodeNameChanged, this,
          &ConsoleLook::libraryNodeNameChanged);
}

void ConsoleLook::Start() {
  OptionsStore& options = window_.Core().Options();
  ApplyLanguage(QString::fromStdString(options.Text("Language")));
  ApplySkin(QString::fromStdString(options.Text("PlayerLook")));
  connect(&options, &OptionsStore::Changed, this, [this, &options](const QString& key) {
    if (key == QLatin1String("Language"))
      ApplyLanguage(QString::fromStdString(options.Text("Language")));
    else if (key == QLatin1String("PlayerLook"))
      ApplySkin(QString::fromStdString(options.Text("PlayerLook")));
  });
}

bool ConsoleLook::ApplyLanguage(const QString& name) {
  LanguageForms forms;
  forms.console = &window_;
  const bool applied = language_.Apply(name, forms);
  if (!language_.Problem().isEmpty()) ShowProblem(language_.Problem());
  // Windows that exist already (the options dialog, the keyboard ...) follow.
  if (applied)
    for (QWidget* top : window_.findChildren<QWidget*>())
      if (qobject_cast<QDialog*>(top)) spinwave::ApplyLanguage(top);
  return applied;
}

void ConsoleLook::RelayoutAfterLanguage() {
  window_.ShowLanguageTexts();
  // The segue submenu is named after the automix lamp.
  if (auto* lamp = Child<TEMLed>(&window_, QStringLiteral("AutoMix")))
    window_.SegueMenu()->setTitle(lamp->Caption() + QStringLiteral("..."));
  // A longer caption widens its lamp, so that it is never cut.
  for (const char* name : {"AutoMix", "AutoCross"})
    if (auto* lamp = Child<TEMLed>(&window_, QLatin1String(name))) {
      const int needed = lamp->fontMetrics().horizontalAdvance(lamp->Caption()) + lamp->height() + 8;
      if (needed > lamp->width()) {
        if (lamp->minimumWidth() == lamp->maximumWidth())
          lamp->setFixedWidth(needed);
        else
          lamp->resize(needed, lamp->height());
      }
    }
}

bool ConsoleLook::ApplySkin(const QString& name) {
  // The built-in look stays for "<Default>": choosing it after a skin takes effect at the next
  // start, as the options dialog says.
  if (name.isEmpty() || name == QLatin1String("<Default>")) return true;
  const std::string folder = SkinFolderOf(name);
  if (folder.empty()) {
    ShowProblem(QStringLiteral("The skin \"%1\" was not found; the console keeps its look.").arg(name));
    return false;
  }
  TSettingsFile* settings = window_.Core().Settings();
  if (!settings) return false;
  ApplySkin(ReadSkin(folder, *settings));
  return true;
}

void ConsoleLook::ApplySkin(const SkinDescription& skin) {
  lastProblem_.clear();
  PlayersPanel* panel = window_.Players();
  TImagePanel* audio = panel->AudioCtrlPanel();

  // 1. Positions (the time displays from their one point).
  for (const SkinPosition& pos : skin.positions) {
    const QString key = QLatin1String(pos.key);
    if (key.startsWith(QLatin1String("Time"))) {
      const QString n = key.mid(4);
      const char* parts[] = {"Minutes", "Seconds", "Fractions", "TimeLabel"};
      for (int part = 0; part < 4; ++part)
        if (QWidget* w = Child<QWidget>(panel, QLatin1String(parts[part]) + n))
          w->move(TimeDisplayPlace(pos.rect, part));
      continue;
    }
    QWidget* root = QLatin1String(pos.section) == QLatin1String("AudioCtrl") ? audio : panel;
    QWidget* w = Child<QWidget>(root, key);
    if (!w) continue;
    w->move(pos.rect.topLeft());
    if (pos.sized) w->resize(pos.rect.size());
  }

  // 2. Pictures by target; the right deck copies the left deck's glyphs and thumbs.
  auto pixmap = [&](const char* target) { return QPixmap::fromImage(skin.PictureFor(target)); };
  for (const SkinPicture& picture : skin.pictures) {
    const QString target = QLatin1String(picture.target);
    const QString control = target.section(':', 0, 0);
    const QString part = target.section(':', 1);
    const QPixmap image = QPixmap::fromImage(picture.image);
    if (control == QLatin1String("LibraryIcon")) {
      window_.Library()->DBGrid()->SetBMP(part.toInt(), picture.image);
    } else if (control == QLatin1String("PlaylistIcon")) {
      window_.Playlist()->SetBMP(part.toInt(), picture.image);
    } else if (part == QLatin1String("thumb")) {
      if (auto* s = Child<TEMSlider>(panel, control)) s->SetImageThumb(image);
    } else if (part == QLatin1String("on") || part == QLatin1String("off")) {
      if (auto* b = Child<TEMButton>(&window_, control)) {
        if (part == QLatin1String("on"))
          b->SetGlyphOn(image);
        else
          b->SetGlyphOff(image);
      }
    }
  }
  for (const char* stem : kTwinButtons) {
    auto* left = Child<TEMButton>(panel, QLatin1String(stem) + QLatin1Char('1'));
    auto* right = Child<TEMButton>(panel, QLatin1String(stem) + QLatin1Char('2'));
    if (!left || !right) continue;
    const QString key = QLatin1String(stem) + QLatin1Char('1');
    if (!skin.PictureFor((key + QStringLiteral(":off")).toStdString()).isNull())
      right->SetGlyphOff(left->GetSwitchGlyph(0));
    if (!skin.PictureFor((key + QStringLiteral(":on")).toStdString()).isNull())
      right->SetGlyphOn(left->GetSwitchGlyph(1));
  }
  for (const char* stem : kTwinSliders) {
    const QString key = QLatin1String(stem) + QLatin1Char('1');
    if (skin.PictureFor((key + QStringLiteral(":thumb")).toStdString()).isNull()) continue;
    auto* left = Child<TEMSlider>(panel, key);
    auto* right = Child<TEMSlider>(panel, QLatin1String(stem) + QLatin1Char('2'));
    if (left && right) right->SetImageThumb(left->ImageThumb());
  }
  // The crossfader takes the position slider's thumb.
  if (!skin.PictureFor("Slider1:thumb").isNull())
    if (auto* left = Child<TEMSlider>(panel, QStringLiteral("Slider1")))
      panel->CrossSlider()->SetImageThumb(left->ImageThumb());

  // 3. Panel sizes from the two panel pictures.
  panel->SetPanelPictures(pixmap("PlayersPanel"), pixmap("AudioCtrlPanel"));
  window_.PlayersResized();

  // 4. Button colours; right-deck buttons copy their twins.
  for (const ButtonColours& c : kButtonColours) {
    const std::string stem = c.stem;
    const QColor light = skin.Colour(stem + (c.longKeys ? "LightColor" : "LightClr"));
    const QColor shade = skin.Colour(stem + (c.longKeys ? "ShadeColor" : "ShadeClr"));
    const QString name = QLatin1String(c.button);
    for (const QString& n : c.perDeck ? QStringList{name + "1", name + "2"} : QStringList{name})
      if (auto* b = Child<TEMButton>(&window_, n)) {
        b->SetButtonLightColor(light);
        b->SetButtonShadowColor(shade);
      }
  }

  // 5. Meters: colours and bar sizes.
  for (const char* name : {"VU1L", "VU1R", "VU2L", "VU2R", "P1Pos", "P2Pos"}) {
    auto* meter = Child<TRLed>(panel, QLatin1String(name));
    if (!meter) continue;
    const bool position = name[0] == 'P';
    const std::string prefix = position ? "PosLedColor" : "VULedColor";
    meter->SetColorHi(skin.Colour(prefix + "Hi"));
    meter->SetColorMid(skin.Colour(prefix + "Mid"));
    meter->SetColorLow(skin.Colour(prefix + "Low"));
    meter->SetBarSize(static_cast<std::uint16_t>(position ? skin.posLedSize : skin.vuLedSize));
  }

  // 6. Time colours, and the displays' backgrounds cut from the panel picture.
  const QColor timeOn = skin.Colour("TimeOnColor");
  for (const char* stem : {"Minutes", "Seconds", "Fractions"})
    for (const char* n : {"1", "2"})
      if (auto* lcd = Child<TEMLCD>(panel, QLatin1String(stem) + QLatin1String(n))) {
        lcd->SetOnColor(timeOn);
        lcd->SetOffColor(skin.Colour("TimeOffColor"));
        const QImage back = skin.BackgroundUnder(QRect(lcd->pos(), lcd->size()));
        if (!back.isNull()) lcd->SetImage(QPixmap::fromImage(back));
      }
  SetTextColour(Child<QWidget>(panel, QStringLiteral("TimeLabel1")), timeOn);
  SetTextColour(Child<QWidget>(panel, QStringLiteral("TimeLabel2")), timeOn);
  SetTextColour(panel, timeOn);
  panel->AutoCrossLed()->SetTextColor(skin.Colour("AutoXFadeColor"));

  // 7. Window and playlist colours, unless the desktop's colours are chosen.
  if (!window_.Core().Options().Bool("UseWinColors")) {
    const QColor form = skin.Colour("FormColor");
    if (QWidget* central = window_.centralWidget()) {
      QPalette p = central->palette();
      p.setColor(QPalette::Window, form);
      p.setColor(QPalette::WindowText, skin.Colour("FormTextColor"));
      central->setPalette(p);
    }
    window_.ThePlayers()->SetColor(form);
    panel->SetColor(form);
    for (TEMDBGrid* grid : {window_.Playlist(), window_.Library()->DBGrid()}) {
      grid->SetColor(skin.Colour("ListColor"));
      grid->SetArrowColor(skin.Colour("ListArrowColor"));
      grid->SetFixedColor(skin.Colour("ListFixedColor"));
      grid->SetFixedTextColor(skin.Colour("ListFixedTextColor"));
      grid->SetSelectTextColor(skin.Colour("ListSelectTextColor"));
      grid->SetSelectColor(skin.Colour("ListSelectBgColor"));
      QPalette p = grid->palette();
      p.setColor(QPalette::Text, skin.Colour("ListTextColor"));
      grid->setPalette(p);
      grid->update();
    }
    // The library's other lists take the playlist's colours.
    for (QWidget* list : {static_cast<QWidget*>(window_.Library()->FileList()),
                          static_cast<QWidget*>(window_.Library()->BrowseTree())}) {
      if (!list) continue;
      QPalette p = list->palette();
      p.setColor(QPalette::Base, skin.Colour("ListColor"));
      p.setColor(QPalette::Text, skin.Colour("ListTextColor"));
      p.setColor(QPalette::Highlight, skin.Colour("ListSelectBgColor"));
      p.setColor(QPalette::HighlightedText, skin.Colour("ListSelectTextColor"));
      list->setPalette(p);
    }
  }

  panel->update();
  if (!skin.problems.isEmpty()) ShowProblem(skin.problems.first());
}

void ConsoleLook::ShowProblem(const QString& problem) {
  lastProblem_ = problem;
  window_.statusBar()->showMessage(problem, 20000);
}

}  // namespace spinwave
