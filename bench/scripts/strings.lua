-- strings: R rounds of: join N pieces "ab" .. (i % 10) into one string, count the (overlapping)
-- occurrences of "b1a", and count the 4-character substrings at a stride of 3 equal to "ab3a".
local n = tonumber(arg[1]) or 200000
local rounds = tonumber(arg[2]) or 20
local total = 0
for _ = 1, rounds do
  local pieces = {}
  for i = 0, n - 1 do pieces[#pieces + 1] = "ab" .. (i % 10) end
  local s = table.concat(pieces)
  local found = 0
  local at = string.find(s, "b1a", 1, true)
  while at do
    found = found + 1
    at = string.find(s, "b1a", at + 1, true)
  end
  local same = 0
  for i = 1, #s - 3, 3 do
    if string.sub(s, i, i + 3) == "ab3a" then same = same + 1 end
  end
  total = total + #s + found + same
end
print(total)
