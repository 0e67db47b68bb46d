-- loop: the sum of (i*i) % 7 for i in 0..N-1, repeated R times.
local n = tonumber(arg[1]) or 30000
local rounds = tonumber(arg[2]) or 3000
local sum = 0
for _ = 1, rounds do
  for i = 0, n - 1 do sum = sum + (i * i) % 7 end
end
print(sum)
