-- mathcalls: N steps of x += 0.001, summing sin(x) * cos(x) + sqrt(x) + |floor(x) - x| + max(x, 1)
-- through the math library; every 64 steps the sum of a 64-element table is added. Prints the sum
-- divided by 1000, truncated.
local n = tonumber(arg[1]) or 5000000
local sin, cos, sqrt, abs, floor, max = math.sin, math.cos, math.sqrt, math.abs, math.floor, math.max
local window = {}
for i = 1, 64 do window[i] = 0.0 end
local x, acc = 0.0, 0.0
for i = 0, n - 1 do
  x = x + 0.001
  local v = sin(x) * cos(x) + sqrt(x) + abs(floor(x) - x) + max(x, 1.0)
  window[i % 64 + 1] = v
  acc = acc + v
  if i % 64 == 63 then
    local s = 0.0
    for k = 1, 64 do s = s + window[k] end
    acc = acc + s * 0.001
  end
end
print(math.floor(acc / 1000.0))
