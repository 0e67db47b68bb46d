// The working skin's script: the level bar and the status line follow the volume and the mute
// toggle; the play toggle plays the first station of the station lists through the radio
// module, whose status and the station's title then show in the caption and the status line.
import Application;
import Sonabel;
import radio;

string firstName = "";
string firstUrl = "";
Radio radio = new Radio();
string shownTitle = "";

function AddStation(Application app, const string name, const string[] titles, const string[] urls) {
  if (firstUrl == "" && urls.length() > 0) {
    firstName = name;
    firstUrl = urls[0];
  }
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
    app.FindView("title").SetText(firstName);
  else
    app.FindView("title").SetText(firstName + " - " + title);
}

function PlayOrStop(Application app, int play) {
  if (play != 0 && firstUrl != "") {
    Bass::Init();
    radio.Play(firstUrl);
    ApplyVolume(app);
    app.FindView("title").SetText(firstName);
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
  }
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
