-- float: N iterations of x = (x*1.0000001 + 0.5) mod 1000.0; acc += x*0.25. Prints acc / 1000
-- truncated, which stays within 32 bits.
local n = tonumber(arg[1]) or 50000000
local x, acc = 0.0, 0.0
for _ = 1, n do
  x = (x * 1.0000001 + 0.5) % 1000.0
  acc = acc + x * 0.25
end
print(math.floor(acc / 1000.0))
