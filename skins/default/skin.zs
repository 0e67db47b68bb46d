// The default skin's behaviour. The station lists arrive through AddStation; the lists on the
// full surface choose a station and one of its streams (the remembered parameters `station`
// and `entry`); the play toggle plays the choice through the radio module, and what the radio
// says (status words, the stream's title) goes into parameters the display's controls show.
// The equalizer follows the playing channel, and the surface, the equalizer and the window
// buttons are remembered or handled here. Keys: space plays and stops, up and down change the
// volume, left and right the station, Esc closes.
import Application;
import Sonabel;
import DspEffectEQ;
import Math;
import radio;
import controls;

// The stations, each a run of entries in the flat lists below.
string[] stationNames = {};
int[] firstEntry = {};
int[] entryCount = {};
string[] entryTitles = {};
string[] entryUrls = {};
int stationCount = 0;
int totalEntries = 0;

Radio radio = new Radio();
DspEffectEQ equalizer = new DspEffectEQ();
Channel equalized = null;
string shownTitle = "-";
int playingStation = -1;
int playingEntry = -1;
int shownStation = -1;

function AddStation(Application app, const string name, const string[] titles, const string[] urls) {
  if (urls.length() == 0)
    return;
  stationNames[stationCount] = name;
  firstEntry[stationCount] = totalEntries;
  entryCount[stationCount] = urls.length();
  for (int i = 0; i < urls.length(); i++) {
    string title = name;
    if (i < titles.length() && titles[i] != "")
      title = titles[i];
    entryTitles[totalEntries] = title;
    entryUrls[totalEntries] = urls[i];
    totalEntries++;
  }
  stationCount++;
}

// A list box reads its rows from one text separated by commas.
function string ListText(const string[] items, int first, int count) {
  string text = "";
  for (int i = 0; i < count; i++) {
    if (i > 0)
      text = text + ",";
    text = text + items[first + i].replace(", ", " · ").replace(",", " · ");
  }
  return text;
}

function int Station(Application app) {
  int index = Whole(app.GetParameterByName("station").floatValue);
  if (index < 0 || index >= stationCount)
    return 0;
  return index;
}

function int Entry(Application app) {
  if (stationCount == 0)
    return 0;
  int index = Whole(app.GetParameterByName("entry").floatValue);
  if (index < 0 || index >= entryCount[Station(app)])
    return 0;
  return index;
}

function string StationName(Application app) {
  if (stationCount == 0)
    return "No stations";
  return stationNames[Station(app)];
}

// The display: station, status and its kind; the title only while a station plays.
function ShowStatus(Application app) {
  app.SetParameter("status", radio.Status());
  app.SetParameter("statuskind", "" + radio.Kind());
}

// The title line: what the station plays, or why it failed while the radio waits to try again.
function ShowTitle(Application app) {
  string title = radio.Title();
  string shown = title;
  if (radio.Kind() == 3)
    shown = radio.Failure();
  if (shown == shownTitle)
    return;
  shownTitle = shown;
  app.SetParameter("nowplaying", shown);
  if (radio.IsPlaying() == 0)
    Sonabel::SetNowPlaying("");
  else if (title == "")
    Sonabel::SetNowPlaying(StationName(app));
  else
    Sonabel::SetNowPlaying(StationName(app) + " - " + title);
}

function ApplyVolume(Application app) {
  Channel c = radio.GetChannel();
  if (c != null)
    c.SetVolume(app.GetParameterByName("volume").normalized);
}

function ApplyEqualizer(Application app) {
  equalizer.SetParameter(0, app.GetParameterByName("low").floatValue);
  equalizer.SetParameter(1, app.GetParameterByName("mid").floatValue);
  equalizer.SetParameter(2, app.GetParameterByName("high").floatValue);
}

// Each connection is a new channel: the equalizer and the volume move to it.
function FollowChannel(Application app) {
  Channel c = radio.GetChannel();
  if (c == equalized)
    return;
  equalized = c;
  if (c == null) {
    equalizer.Detach();
    return;
  }
  equalizer.Attach(c);
  ApplyVolume(app);
}

function Play(Application app) {
  if (stationCount == 0) {
    app.SetParameter("status", "No stations: put .pls or .m3u files in ~/.local/share/sonabel/playlists");
    app.SetParameter("statuskind", "3");
    return;
  }
  Bass::Init();
  playingStation = Station(app);
  playingEntry = Entry(app);
  radio.Play(entryUrls[firstEntry[playingStation] + playingEntry]);
  FollowChannel(app);
  ShowStatus(app);
  ShowTitle(app);
}

function Stop(Application app) {
  radio.Stop();
  playingStation = -1;
  FollowChannel(app);
  ShowStatus(app);
  ShowTitle(app);
  app.SetParameter("levelleft", "0");
  app.SetParameter("levelright", "0");
}

// The chosen station's streams into the second list, and its name onto the display.
function ShowStation(Application app) {
  shownStation = Station(app);
  app.SetParameter("stationname", StationName(app));
  if (stationCount == 0) {
    app.SetParameter("entries", "");
    return;
  }
  int s = Station(app);
  app.SetParameter("entries", ListText(entryTitles, firstEntry[s], entryCount[s]));
}

function StepStation(Application app, int step) {
  if (stationCount == 0)
    return;
  Parameter station = app.GetParameterByName("station");
  station.floatValue = (Station(app) + step + stationCount) % stationCount;
}

function Create(Application app) {
  string names = ListText(stationNames, 0, stationCount);
  app.SetParameter("stations", names);
  ShowStation(app);
  string[] bands = {"low", "mid", "high"};
  for (int i = 0; i < 3; i++) {
    string stored = Sonabel::RecallSetting("eq." + bands[i]);
    if (stored != "")
      app.SetParameter(bands[i], stored);
  }
  ApplyEqualizer(app);
  if (Sonabel::RecallSetting("surface") == "1")
    app.SetParameter("system_currentsurface", "1");
}

function Open(Application app) {
  ShowStatus(app);
}

function Idle(Application app) {
  if (radio.IsPlaying() == 0)
    return;
  if (radio.Tick() != 0) {
    FollowChannel(app);
    ShowStatus(app);
  }
  ShowTitle(app);
  Channel c = radio.GetChannel();
  if (c != null && radio.Kind() == 2) {
    app.GetParameterByName("levelleft").floatValue = c.GetLevelL();
    app.GetParameterByName("levelright").floatValue = c.GetLevelR();
  }
}

function Destroy(Application app) {
  Sonabel::StoreSetting("eq.low", app.GetParameter("low"));
  Sonabel::StoreSetting("eq.mid", app.GetParameter("mid"));
  Sonabel::StoreSetting("eq.high", app.GetParameter("high"));
  radio.Stop();
  equalizer.Detach();
}

// A momentary button's parameter is 1 from the press to the release: act on the press.
function int Pressed(Parameter p) {
  return p.floatValue >= 0.5;
}

function ParameterChanged(Application app, Parameter p) {
  string name = p.GetName();
  if (name == "volume") {
    ApplyVolume(app);
  } else if (name == "playing") {
    if (p.floatValue >= 0.5)
      Play(app);
    else
      Stop(app);
  } else if (name == "station") {
    // Another station starts at its first stream (the player restores `entry` after `station`).
    if (Station(app) != shownStation) {
      app.GetParameterByName("entry").floatValue = 0.0;
      ShowStation(app);
    }
    if (radio.IsPlaying() != 0 && Station(app) != playingStation)
      Play(app);
  } else if (name == "entry") {
    if (radio.IsPlaying() != 0 && Entry(app) != playingEntry)
      Play(app);
  } else if (name == "low" || name == "mid" || name == "high") {
    ApplyEqualizer(app);
  } else if (name == "eqreset" && Pressed(p)) {
    app.SetParameter("low", "0");
    app.SetParameter("mid", "0");
    app.SetParameter("high", "0");
  } else if (name == "previous" && Pressed(p)) {
    StepStation(app, -1);
  } else if (name == "next" && Pressed(p)) {
    StepStation(app, 1);
  } else if (name == "minimize" && Pressed(p)) {
    app.Minimize();
  } else if (name == "close" && Pressed(p)) {
    app.Quit();
  } else if (name == "system_currentsurface") {
    Sonabel::StoreSetting("surface", "" + Whole(p.floatValue));
  }
}

function int Key(Application app, int key) {
  Parameter volume = app.GetParameterByName("volume");
  if (key == 32) {
    Parameter playing = app.GetParameterByName("playing");
    playing.floatValue = 1.0 - playing.floatValue;
  } else if (key == kKeyCursorUp) {
    volume.floatValue = Math::Min(100.0, volume.floatValue + 5.0);
  } else if (key == kKeyCursorDown) {
    volume.floatValue = Math::Max(0.0, volume.floatValue - 5.0);
  } else if (key == kKeyCursorLeft) {
    StepStation(app, -1);
  } else if (key == kKeyCursorRight) {
    StepStation(app, 1);
  } else if (key == kKeyEsc) {
    app.Quit();
  } else {
    return 0;
  }
  return 1;
}

function MediaKey(Application app, const string key) {
  Parameter playing = app.GetParameterByName("playing");
  if (key == "PlayPause")
    playing.floatValue = 1.0 - playing.floatValue;
  else if (key == "Play")
    playing.floatValue = 1.0;
  else if (key == "Pause" || key == "Stop")
    playing.floatValue = 0.0;
  else if (key == "Next")
    StepStation(app, 1);
  else if (key == "Previous")
    StepStation(app, -1);
}
