// The script of the "scripted" example skin. Application (with View and Parameter) is imported
// from the player; the hooks below are called by the pane manager at their moments.
import Application;

int ticks = 0;

function Create(Application app) {
  app.SetParameter("level", "64");
}

function Open(Application app) {
  Parameter level = app.GetParameterByName("level");
  app.FindView("caption").SetText("Level " + level.stringValue + " %");
  // The bar fills the track (212 pixels inside its frame) by the parameter's position.
  View bar = app.FindView("bar");
  bar.ResizeTo(level.normalized * 212.0, bar.height);
}

function Idle(Application app) {
  ticks++;
  app.FindView("dot").MoveBy(8, 0);
  app.SetParameter("status", "idle " + ticks);
}
