-- coroutines: R rounds of a coroutine yielding N values (i % 10) consumed by a loop.
local n = tonumber(arg[1]) or 1000000
local rounds = tonumber(arg[2]) or 10
local function produce(count)
  for i = 0, count - 1 do coroutine.yield(i % 10) end
end
local total = 0
for _ = 1, rounds do
  local next = coroutine.wrap(produce)
  local v = next(n)
  total = total + v
  for _ = 2, n do total = total + next() end
end
print(total)
