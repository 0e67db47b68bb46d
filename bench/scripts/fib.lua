-- fib: recursive fib(N) computed R times; prints the sum of the results.
local n = tonumber(arg[1]) or 30
local rounds = tonumber(arg[2]) or 15
local function fib(k)
  if k < 2 then return k end
  return fib(k - 1) + fib(k - 2)
end
local sum = 0
for _ = 1, rounds do sum = sum + fib(n) end
print(sum)
