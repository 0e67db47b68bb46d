-- objects: N objects of a class with two fields, one method call on each.
local n = tonumber(arg[1]) or 4000000
local Point = {}
Point.__index = Point
function Point.new(x, y) return setmetatable({x = x, y = y}, Point) end
function Point:sum() return self.x + self.y end
local total = 0
for i = 0, n - 1 do
  local p = Point.new(i % 100, 3)
  total = total + p:sum()
end
print(total)
