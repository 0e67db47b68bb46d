// The working skin's script: the level bar and the status line follow the volume and the mute
// toggle.
import Application;

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
  level.ResizeTo(shown * (track.width - 2), level.height);
  app.FindView("status").SetText(status);
}

function Open(Application app) {
  Show(app);
}

function ParameterChanged(Application app, Parameter p) {
  if (p.GetName() == "volume" || p.GetName() == "mute") Show(app);
}
