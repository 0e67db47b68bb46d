-- colors: N steps that make a colour from the step number, blend a fixed colour towards it by a
-- varying amount, invert the result and add up its channels. Prints the sum modulo 1000003.
-- Colours are plain tables; channels stay within 0..255 and blends truncate, as in the script class.
local n = tonumber(arg[1]) or 2000000

local function channel(v)
  if v <= 0 then return 0 end
  if v >= 255 then return 255 end
  return math.floor(v)
end

local function newColor(r, g, b) return { red = channel(r), green = channel(g), blue = channel(b) } end

local function mix(from, to, a)
  if from == to then return from end
  return channel(from + (to - from) * a)
end

local function blend(c, s, d, a)
  c.red, c.green, c.blue = mix(s.red, d.red, a), mix(s.green, d.green, a), mix(s.blue, d.blue, a)
end

local function invert(c)
  c.red, c.green, c.blue = c.red ~ 255, c.green ~ 255, c.blue ~ 255
end

local a = newColor(10, 20, 30)
local c = newColor(0, 0, 0)
local acc = 0
for i = 0, n - 1 do
  local d = newColor(i % 256, (i * 7) % 256, (i * 13) % 256)
  blend(c, a, d, (i % 101) * 0.01)
  invert(c)
  acc = (acc + c.red + c.green + c.blue) % 1000003
end
print(acc)
