#!/usr/bin/env bash
# Writes the seed corpora into tests/fuzz/corpus/<target>/ (the seeds are committed;
# run this again only to change them). The hives come from make_hive_seeds of the
# fuzz build: cmake --preset fuzz && cmake --build --preset fuzz first.
set -euo pipefail
cd "$(dirname "$0")"
corpus=corpus
bin=../../build/fuzz/bin

seed() {  # seed TARGET NAME: the bytes on stdin become one seed
  mkdir -p "$corpus/$1"
  cat > "$corpus/$1/$2"
}

# string_crypt: pass-phrase length byte, pass phrase, text (a second use of the text as hex).
printf '\x06secret0123456789ABCDEF' | seed string_crypt hex_text
printf '\x00' | seed string_crypt empty
printf '\x10sixteen byte keyHello, world! A text longer than one 32-byte unit of the fill.' | seed string_crypt long_text
printf '\x03abcxyz\x00after a NUL' | seed string_crypt inner_nul
printf '\x1fa pass phrase of 31 characters!abc' | seed string_crypt odd_hex

# cipher_buffer: flags, direction (2), unknown algorithm (4), key (16), buffer.
key='\x01\x23\x45\x67\x89\xab\xcd\xef\xfe\xdc\xba\x98\x76\x54\x32\x10'
printf "\x01\x01\x00\x00\x00\x00\x04${key}0123456789abcdef0123456789abcdef" | seed cipher_buffer whole_blocks
printf "\x00\x00\x80\xff\xff\xff\xff${key}0123456789abc" | seed cipher_buffer ragged
printf "\x01\x01\x00\x00\x00\x00\x07" | seed cipher_buffer empty

# crypt_file: steering byte (0 raw, 1 written header, 2 split header, 3 damaged header), then the rest.
printf '\x00plain text file\n' | seed crypt_file raw
printf '\x00' | seed crypt_file raw_empty
printf "\x01${key}contents behind a written header" | seed crypt_file written
printf "\x02${key}contents behind a split header" | seed crypt_file split
printf "\x03${key}\x05\x40contents behind a damaged header" | seed crypt_file damaged
# Containers of whole 32-byte blocks, so that decryptFile deciphers them too.
printf "\x01${key}one 32-byte block behind header." | seed crypt_file written_block
printf "\x02${key}two 32-byte blocks behind the split header: the last ends in 00\x00" | seed crypt_file split_blocks
head -c 100 /dev/zero | seed crypt_file zeros

# subkey_file: steering byte (key path; 0x80: no file), then the former contents.
printf '\x00line one\r\nline two\r\n' | seed subkey_file crlf
printf '\x01text\x1a' | seed subkey_file end_mark
printf '\x02\x1a\x1a' | seed subkey_file two_marks
printf '\x80' | seed subkey_file no_file
printf '\x03' | seed subkey_file empty

# The registry targets share the hives.
mkdir -p "$corpus/registry_read" "$corpus/registry_delete"
"$bin/make_hive_seeds" "$corpus/registry_read"
# A checksum field of zero asks the targets to put the true checksum in.
cp "$corpus/registry_read/values.hive" "$corpus/registry_read/values-zero-checksum.hive"
printf '\0\0\0\0' | dd of="$corpus/registry_read/values-zero-checksum.hive" bs=1 seek=508 conv=notrunc status=none
cp "$corpus/registry_read"/*.hive "$corpus/registry_delete/"
