#!/usr/bin/env bash
# Works out what the Windows reader must do with the compiled-in book, by
# playing the same steps on the headless reader (the same engine and book):
#
#   expect.sh BOOK_FOLDER TOMELET_HEADLESS OUT_FILE
#
# writes OUT_FILE, one fact a line:
#   record_size N            bytes of the state record
#   title TEXT               the window caption
#   page2 KIND:ID ...        the page controls of paragraph 2 (shown or
#                            not: that depends on the fonts' sizes)
#   hotword ID PLACE         the first hotword of paragraph 2, and the place
#                            a click on it leads to
#   resume_page KIND:ID ...  the page controls shown when the reader
#                            starts from a state file that the opening,
#                            "Next", the hotword's click and, while the page
#                            reached rolls a random number as it is built,
#                            the first hotword of that page left; the file
#                            is kept as resume-from.dat beside OUT_FILE, and
#                            the record written when the reader is closed at
#                            once as resume-to.dat
#   resume_navbar R P N      whether "Rtrn", "Prev" and "Next" are enabled
#                            on that page (on/off)
#   empty_place N            the first of the places 1, 8, 9 and 10 that
#                            starts, without a message, on an empty page
#   answer PARAGRAPH ID PLACE TEXT
#                            a paragraph with a text-entry box, the box's
#                            id, the place an answer leads to and the
#                            answer typed (the rest of the line): once an
#                            answer no book accepts, and once the first
#                            answer of the paragraph's first S tag
# Facts the book does not allow (no hotword, no answer field) are left out.
set -euo pipefail
book="$(realpath "$1")"
headless="$(realpath "$2")"
out="$(realpath -m "$3")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The place a run left in the state file: its first two bytes, signed.
place() { od -An -t d2 -N 2 VBQ2CorvinAshby.dat | tr -d ' '; }

# A state record with the magic, the sound switch on and `place`.
write_record() {
  local size="$1" at="$2"
  head -c "$size" /dev/zero > VBQ2CorvinAshby.dat
  printf "$(printf '\\x%02x\\x%02x' $((at & 255)) $((at >> 8 & 255)))" |
    dd of=VBQ2CorvinAshby.dat bs=1 seek=0 conv=notrunc status=none
  printf '\x01' | dd of=VBQ2CorvinAshby.dat bs=1 seek=2 conv=notrunc status=none
  printf '\x40\x05\x00\x00' | dd of=VBQ2CorvinAshby.dat bs=1 seek=28 conv=notrunc status=none
}

# The markup text of a paragraph of the book's source.
paragraph_text() {
  awk -v want="$1" '/^@@/ {next} /^@/ {sub(/^@[ \t]*/, ""); n = $1 + 0; next} n == want {print}' \
    $(find "$book/text" -name '*.tml' | sort)
}

# The page controls of a dump: KIND:ID for ids of 4000 and above.
page_controls() {
  awk '/^controls/ {c = 1; next} /^navbar/ {c = 0} c && $2 >= 4000 {printf "%s:%s ", $1, $2}'
}

: > "$out.tmp"
rm -f VBQ2CorvinAshby.dat
printf 'timer\ntimer\ncommand next\ndump\nclose\n' | "$headless" > page2.txt
size=$(stat -c %s VBQ2CorvinAshby.dat)
echo "record_size $size" >> "$out.tmp"
sed -n 's/^window "\(.*\)" client.*/title \1/p' page2.txt >> "$out.tmp"
controls="$(page_controls < page2.txt)"
echo "page2 ${controls% }" >> "$out.tmp"

hotword="$(tr ' ' '\n' <<< "$controls" | sed -n 's/^hotword:\([0-9]*\)$/\1/p' | head -n 1)"
if [ -n "$hotword" ]; then
  rm -f VBQ2CorvinAshby.dat
  printf 'timer\ntimer\ncommand next\nclick %s\nclose\n' "$hotword" | "$headless" > /dev/null
  echo "hotword $hotword $(place)" >> "$out.tmp"

  # A reader resuming at a page that sets a variable at random as it is
  # built rolls anew, so the walk goes on from such a page by its first
  # hotword, up to five times.
  steps="timer\ntimer\ncommand next\nclick $hotword\n"
  for _ in 1 2 3 4 5; do
    paragraph_text "$(place)" | grep -q '<[Rr] *%[0-9]* *z *>' || break
    rm -f VBQ2CorvinAshby.dat
    next="$(printf "${steps}dump\nclose\n" | "$headless" | page_controls | tr ' ' '\n' |
            sed -n 's/^hotword:\([0-9]*\)$/\1/p' | head -n 1)"
    steps="${steps}click $next\n"
    rm -f VBQ2CorvinAshby.dat
    [ -n "$next" ] && printf "${steps}close\n" | "$headless" > /dev/null
  done
  if [ -f VBQ2CorvinAshby.dat ] && ! paragraph_text "$(place)" | grep -q '<[Rr] *%[0-9]* *z *>'; then
    # The state file those steps left (the web reader saves the same
    # bytes), opened again and closed at once.
    cp VBQ2CorvinAshby.dat "$(dirname "$out")/resume-from.dat"
    printf 'dump\nclose\n' | "$headless" > resumed.txt
    cp VBQ2CorvinAshby.dat "$(dirname "$out")/resume-to.dat"
    resumed="$(page_controls < resumed.txt)"
    echo "resume_page ${resumed% }" >> "$out.tmp"
    sed -n 's/^navbar return \([a-z]*\) prev \([a-z]*\) next \([a-z]*\)$/resume_navbar \1 \2 \3/p' \
      resumed.txt >> "$out.tmp"
  fi
fi

for p in 1 8 9 10; do
  write_record "$size" "$p"
  printf 'dump\n' | "$headless" > at.txt
  if grep -q '^items 0$' at.txt && grep -q '^messages 0$' at.txt; then
    echo "empty_place $p" >> "$out.tmp"
    break
  fi
done

# A paragraph with an answer field: the candidates are the paragraphs
# whose text holds an S tag; the first that shows a box when the reader
# starts there is taken.  Two answers are typed: one no book accepts, which
# leads to the field's default target, and the first answer the S tag
# lists.
for p in $(awk '/^@@/ {next} /^@/ {sub(/^@[ \t]*/, ""); n = $1 + 0; next} /<S[ >]/ && n {print n}' \
             $(find "$book/text" -name '*.tml' | sort) | sort -un); do
  write_record "$size" "$p"
  printf 'dump\n' | "$headless" > at.txt
  box="$(page_controls < at.txt | tr ' ' '\n' | sed -n 's/^edit:\([0-9]*\)$/\1/p' | head -n 1)"
  [ -n "$box" ] || continue
  accepted="$(paragraph_text "$p" | tr '\n' ' ' | grep -o '<S *([^)]*)' | head -n 1 | sed 's/^<S *(\(.*\))$/\1/')"
  for answer in "xyzzy" "$accepted"; do
    [ -n "$answer" ] || continue
    write_record "$size" "$p"
    printf 'type %s "%s"\nenter %s\nclose\n' "$box" "$answer" "$box" | "$headless" > /dev/null
    echo "answer $p $box $(place) $answer" >> "$out.tmp"
  done
  break
done
mv "$out.tmp" "$out"
