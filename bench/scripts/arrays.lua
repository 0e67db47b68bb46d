-- arrays: R rounds of: fill a fresh array of N ints with i % 100, sum it, reverse it in place;
-- the checksum adds each round's sum and first element after the reversal.
local n = tonumber(arg[1]) or 1000000
local rounds = tonumber(arg[2]) or 20
local total = 0
for _ = 1, rounds do
  local a = {}
  for i = 1, n do a[i] = (i - 1) % 100 end
  local sum = 0
  for i = 1, n do sum = sum + a[i] end
  local i, j = 1, n
  while i < j do
    a[i], a[j] = a[j], a[i]
    i, j = i + 1, j - 1
  end
  total = total + sum + a[1]
end
print(total)
