#pragma once
// The rank tables' rules and their files: defaults, places, insertion, passwords, load and save.

#include <cstdint>
#include <string>

#include "core/rank_table.hpp"

namespace kelvora {

inline constexpr const char* official_rank_file = "offical_rank.dat";
inline constexpr const char* point_rank_file = "point_rank.dat";
inline constexpr const char* chain_rank_file = "rensa_rank.dat";
inline constexpr const char* net_rank_file = "net_rank.dat";

rank_table make_rank_table(std::int16_t base, std::int16_t step);

// The first place 1..10 whose score is strictly less than value; 0 for none.
std::int16_t find_rank_place(const rank_table& table, std::int32_t value);

// A new table with the entry at `place` and the entries from there on moved down one place.
rank_table insert_rank(const rank_table& table, std::int16_t place, std::int32_t score,
                       const std::string& name, const std::string& note);

// Six lower-case letters: score^7219 mod 301726453 in base 26.
std::string make_password(std::int32_t score);

// Writes the table's record to path, through "<path>.new" renamed into place, or in place when
// no new file can be made there; a link is written where it points. False with a reason in
// `error` when it cannot, among others when the file is read-only or not a regular file.
bool save_rank_file(const std::string& path, const rank_table& table, std::string& error);

// Reads a table. Fields missing or cut off at the end of the file take the values of
// `defaults`. False with a reason in `error` when the file cannot be opened or read.
bool load_rank_file(const std::string& path, const rank_table& defaults, rank_table& table,
                    std::string& error);

}  // namespace kelvora
