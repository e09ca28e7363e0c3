# The one-pass script a user would write with mawk: a hash of the book's
# words, the vocabulary's matching lines kept (the last one wins), and a final
# sort. Run as: LC_ALL=C mawk -f filter.awk BOOK VOCABULARY | LC_ALL=C sort
# Its rules are approximate: any run of blanks splits words (none is empty),
# a hyphen at a line end never joins, and CR, Ctrl-Z and a byte-order mark
# are ordinary bytes.
FNR == NR {
  line = tolower($0)
  gsub(/[():;.",?!\/]/, "", line)
  count = split(line, words, " ")
  for (i = 1; i <= count; i++) book[words[i]] = 1
  next
}
{
  line = tolower($0)
  bar = index(line, "|")
  if (bar == 0) {
    key = line
    translation = line
  } else {
    key = substr(line, 1, bar - 1)
    translation = substr(line, bar + 1)
  }
  if (key in book) found[key] = translation
}
END {
  for (key in found) if (found[key] != "") print key "|" found[key]
}
