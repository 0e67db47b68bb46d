// The working skin's script: the level bar and the status line follow the volume and the mute
// toggle; the play toggle plays the chosen station (the first one until the listener picks
// another with the left and right keys) through the radio module, whose status and the
// station's title then show in the caption and the status line. Keys: space plays and stops,
// up and down change the volume, left and right the station, Esc closes.
import Application;
import Sonabel;
import radio;

string[] names = {};
string[] addresses = {};
int stationCount = 0;
Radio radio = new Radio();
string shownTitle = "";

function AddStation(Application app, const string name, const string[] titles, const string[] urls) {
  if (urls.length() > 0) {
    names[stationCount] = name;
    addresses[stationCount] = urls[0];
    stationCount++;
  }
}

// The chosen station's index, kept in the remembered parameter `station`.
function int Current(Application app) {
  int index = (int) app.GetParameterByName("station").floatValue;
  if (index < 0 || index >= stationCount)
    return 0;
  return index;
}

function string CurrentName(Application app) {
  if (stationCount == 0)
    return "";
  return names[Current(app)];
}

// The channel's volume from the volume knob and the mute toggle.
function ApplyVolume(Application app) {
  Channel c = radio.GetChannel();
  if (c == null)
    return;
  float volume = app.GetParameterByName("volume").normalized;
  if (app.GetParameterByName("mute").floatValue != 0.0)
    volume = 0.0;
  c.SetVolume(volume);
}

function Show(Application app) {
  Parameter volume = app.GetParameterByName("volume");
  Parameter mute = app.GetParameterByName("mute");
  View track = app.FindView("track");
  View level = app.FindView("level");
  float shown = volume.normalized;
  string status = "Volume " + volume.stringValue + " %";
  if (mute.floatValue != 0.0) {
    shown = 0.0;
    status = "Muted";
  }
  if (radio.IsPlaying() != 0)
    status = radio.Status();
  level.ResizeTo(shown * (track.width - 2), level.height);
  app.FindView("status").SetText(status);
}

// The caption: the station and what it plays, or the player's name.
function ShowTitle(Application app) {
  string title = radio.Title();
  if (title == shownTitle)
    return;
  shownTitle = title;
  Sonabel::SetNowPlaying(title);
  if (radio.IsPlaying() == 0)
    app.FindView("title").SetText("Sonabel");
  else if (title == "")
    app.FindView("title").SetText(CurrentName(app));
  else
    app.FindView("title").SetText(CurrentName(app) + " - " + title);
}

function PlayOrStop(Application app, int play) {
  if (play != 0 && stationCount > 0) {
    Bass::Init();
    radio.Play(addresses[Current(app)]);
    ApplyVolume(app);
    shownTitle = "";
    app.FindView("title").SetText(CurrentName(app));
    app.FindView("play").SetText("Stop");
  } else {
    radio.Stop();
    app.FindView("play").SetText("Play");
    shownTitle = "-";
    ShowTitle(app);
  }
  Show(app);
}

function Open(Application app) {
  Show(app);
}

function Idle(Application app) {
  if (radio.IsPlaying() == 0)
    return;
  if (radio.Tick() != 0) {
    ApplyVolume(app);
    Show(app);
  }
  ShowTitle(app);
}

function ParameterChanged(Application app, Parameter p) {
  string name = p.GetName();
  if (name == "volume" || name == "mute") {
    ApplyVolume(app);
    Show(app);
  } else if (name == "playing") {
    PlayOrStop(app, p.floatValue != 0.0);
  } else if (name == "station" && radio.IsPlaying() != 0) {
    PlayOrStop(app, 1);
  }
}

function int Key(Application app, int key) {
  Parameter volume = app.GetParameterByName("volume");
  Parameter station = app.GetParameterByName("station");
  if (key == 32) {
    Parameter playing = app.GetParameterByName("playing");
    playing.floatValue = 1.0 - playing.floatValue;
  } else if (key == kKeyCursorUp) {
    volume.floatValue = Math::Min(100.0, volume.floatValue + 5.0);
  } else if (key == kKeyCursorDown) {
    volume.floatValue = Math::Max(0.0, volume.floatValue - 5.0);
  } else if ((key == kKeyCursorLeft || key == kKeyCursorRight) && stationCount > 0) {
    int step = 1;
    if (key == kKeyCursorLeft)
      step = stationCount - 1;
    station.floatValue = (Current(app) + step) % stationCount;
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
}
