-- closures: N calls through function values, alternating a function literal and a method bound
-- to an object (a closure that calls the method on its object).
local n = tonumber(arg[1]) or 20000000
local Adder = {}
Adder.__index = Adder
function Adder:add(v) return (v + self.k) % 8 end
local obj = setmetatable({k = 3}, Adder)
local literal = function(v) return v % 8 end
local bound = function(v) return obj:add(v) end
local total = 0
for i = 0, n - 1 do
  if i % 2 == 0 then total = total + literal(i) else total = total + bound(i) end
end
print(total)
