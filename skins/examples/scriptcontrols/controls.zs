// Controls written wholly in ZentraScript: each class implements the Control interface, draws
// with layers and reaches its pane through the NativeControl it is made with. Loudness is a
// script scaler that names the volume in words.
import RectLayer;
import TextLayer;
import Parameter;
import Random;
import Math;

// A knob: a ring of dots lit up to the value, the value below. Drag up or down, or turn the wheel.
class Knob : Control {
  NativeControl self;
  RectLayer[] dots;
  TextLayer label;
  int startY;
  float startValue;

  method Knob(NativeControl c) {
    self = c;
    startY = 0;
    startValue = 0.0;
    dots = {};
    RectLayer disc = new RectLayer();
    disc.SetColor(new Color(33, 38, 45));
    disc.fill = 1;
    disc.style = k3DRectRaised | k3DRectSmallEdge;
    disc.SetRect(new Rect(14, 14, 50, 50));
    self.AddLayer(disc);
    for (int i = 0; i < 21; i++) {
      float a = (135.0 + i * 13.5) * Math::PI / 180.0;
      RectLayer d = new RectLayer();
      d.fill = 1;
      d.SetRect(new Rect(0, 0, 4, 4));
      d.MoveTo((int) (32.0 + Math::Cos(a) * 26.0) - 2, (int) (32.0 + Math::Sin(a) * 26.0) - 2);
      dots[i] = d;
      self.AddLayer(d);
    }
    label = new TextLayer();
    label.SetRect(new Rect(0, 64, 64, 80));
    label.align = kTextAlignCenter | kTextAlignVCenter | kTextAlignSingleLine;
    label.SetColor(new Color(201, 209, 217));
    label.font = kFontStandardSmall;
    self.AddLayer(label);
    Refresh();
  }

  method Refresh() {
    float v = self.GetNormalized(0);
    Color lit = new Color(88, 166, 255);
    Color dim = new Color(48, 54, 61);
    for (int i = 0; i < 21; i++) {
      if (i <= v * 20.0)
        dots[i].SetColor(lit);
      else
        dots[i].SetColor(dim);
    }
    label.text = self.GetStringAndUnit(0);
  }

  method Open() { Refresh(); }
  method Close() { }
  method Idle() { }
  method int OnClick(int button, int x, int y) { return 1; }
  method int OnStartDrag(int button, int x, int y) {
    startY = y;
    startValue = self.GetNormalized(0);
    self.PostBeginEdit(0);
    return 1;
  }
  method int OnDrag(int button, int x, int y) {
    self.SetNormalized(Math::Min(1.0, Math::Max(0.0, startValue + (startY - y) / 100.0)), 0);
    Refresh();
    self.PostRedraw();
    return 1;
  }
  method OnStopDrag() { self.PostEndEdit(0); }
  method int OnWheel(int button, int x, int y, float delta) {
    self.SetNormalized(Math::Min(1.0, Math::Max(0.0, self.GetNormalized(0) + delta * 0.05)), 0);
    Refresh();
    self.PostRedraw();
    return 1;
  }
  method OnMouseEnter() { }
  method OnMouseLeave() { }
  method int OnKey(int key) { return 0; }
  method TakeFocus() { }
  method RemoveFocus() { }
  method int ParameterChanged(Parameter p) { Refresh(); return 1; }
}

// A spectrum-style display: sixteen bars that jump to new levels and fall back slowly, each with
// a peak mark that waits before it falls.
class Bars : Control {
  NativeControl self;
  RectLayer[] bars;
  RectLayer[] peaks;
  float[] level;
  float[] peak;
  Random random;

  method Bars(NativeControl c) {
    self = c;
    bars = {};
    peaks = {};
    level = {};
    peak = {};
    random = new Random(new GaussianNoise(7.0));
    RectLayer back = new RectLayer();
    back.SetColor(new Color(13, 17, 23));
    back.fill = 1;
    back.style = k3DRectSunken | k3DRectSmallEdge;
    back.SetRect(new Rect(0, 0, self.Width(), self.Height()));
    self.AddLayer(back);
    for (int i = 0; i < 16; i++) {
      RectLayer b = new RectLayer();
      b.fill = 1;
      bars[i] = b;
      self.AddLayer(b);
      RectLayer p = new RectLayer();
      p.fill = 1;
      p.SetColor(new Color(230, 237, 243));
      peaks[i] = p;
      self.AddLayer(p);
      level[i] = 0.0;
      peak[i] = 0.0;
    }
    Step();
  }

  method Step() {
    int h = self.Height() - 6;
    for (int i = 0; i < 16; i++) {
      // Lower bands are louder, as in music.
      float target = random.GetDouble() * (1.0 - i * 0.04);
      level[i] = Math::Max(target, level[i] * 0.8);
      peak[i] = Math::Max(level[i], peak[i] - 0.02);
      int top = 3 + (int) ((1.0 - level[i]) * h);
      bars[i].SetRect(new Rect(4 + i * 13, top, 15 + i * 13, 3 + h));
      bars[i].SetColor(Color::FromHSL(120.0 - level[i] * 120.0, 0.7, 0.5));
      int p = 3 + (int) ((1.0 - peak[i]) * h);
      peaks[i].SetRect(new Rect(4 + i * 13, p - 2, 15 + i * 13, p));
    }
  }

  method Open() { }
  method Close() { }
  method Idle() { Step(); self.PostRedraw(); }
  method int OnClick(int button, int x, int y) { return 0; }
  method int OnStartDrag(int button, int x, int y) { return 0; }
  method int OnDrag(int button, int x, int y) { return 0; }
  method OnStopDrag() { }
  method int OnWheel(int button, int x, int y, float delta) { return 0; }
  method OnMouseEnter() { }
  method OnMouseLeave() { }
  method int OnKey(int key) { return 0; }
  method TakeFocus() { }
  method RemoveFocus() { }
  method int ParameterChanged(Parameter p) { return 0; }
}

// A title that scrolls from right to left through its box, and starts again when it has gone.
class Ticker : Control {
  NativeControl self;
  TextLayer text;

  method Ticker(NativeControl c) {
    self = c;
    RectLayer back = new RectLayer();
    back.SetColor(new Color(13, 17, 23));
    back.fill = 1;
    back.SetRect(new Rect(0, 0, self.Width(), self.Height()));
    self.AddLayer(back);
    text = new TextLayer();
    text.autoSize = 1;
    text.align = kTextAlignLeft | kTextAlignSingleLine;
    text.SetColor(new Color(240, 136, 62));
    text.MoveTo(self.Width(), 3);
    self.AddLayer(text);
  }

  method Open() { text.text = self.GetString(0); }
  method Close() { }
  method Idle() {
    text.MoveBy(-2, 0);
    if (text.x + text.width < 0)
      text.MoveTo(self.Width(), 3);
    self.PostRedraw();
  }
  method int OnClick(int button, int x, int y) { return 0; }
  method int OnStartDrag(int button, int x, int y) { return 0; }
  method int OnDrag(int button, int x, int y) { return 0; }
  method OnStopDrag() { }
  method int OnWheel(int button, int x, int y, float delta) { return 0; }
  method OnMouseEnter() { }
  method OnMouseLeave() { }
  method int OnKey(int key) { return 0; }
  method TakeFocus() { }
  method RemoveFocus() { }
  method int ParameterChanged(Parameter p) { text.text = p.stringValue; return 1; }
}

// Names the volume in words; positions map to values in a straight line.
class Loudness : Scaler {
  method Loudness() { }
  method string ValueToString(float v, const Parameter p) {
    int n = (int) (v + 0.5);
    if (n < 1)
      return "silent";
    if (n < 34)
      return "soft " + n;
    if (n < 67)
      return "medium " + n;
    return "loud " + n;
  }
  method float StringToValue(const string s, const Parameter p) { return (float) s; }
  method float NormalToValue(float n, const Parameter p) { return n * 100.0; }
  method float ValueToNormal(float v, const Parameter p) { return v / 100.0; }
}
