#pragma once
// The Alphabetic Index searched as a coder types: every typed word (any case,
// any order) must begin a word of the term or of a term above it.
//
//   "sprain ankle"  => Sprain (joint) (ligament) › ankle → S93.40-
//                      Sprain (joint) (ligament) › ankle › deltoid ligament → S93.42-  ...
//   "low back pain" => Pain (s) › low back → M54.50 ...   (words in any order)
//   "spr ank"       => the same as "sprain ankle" (each word begins a word)
//
// The index is read from the guide into memory on first use (about 80,000
// terms, a few megabytes): a sorted list of the words with, for each, the terms
// whose own title holds it. A typed word takes the words it begins (a binary
// search gives their range), and each term found covers its sub-terms; the
// words typed are intersected. A keystroke costs well under a millisecond.
// (Another word index of the program, the code table's names, could share
// this machinery; both are small and each is kept beside its data.)
//
// Results come in index order within three groups: first the terms under a
// main term whose first word a typed word begins ("spr": Sprain, Sprengel's
// deformity, Sprue), then those under a main term with another word a typed
// word begins, then the rest (found through their sub-terms alone). So
// "ankle sprain" lists Sprain › ankle before Injury › ankle.
//
// "see" and "see also" name another term by its path ("Pain, abdominal":
// main term Pain, sub-term abdominal); resolve() finds it. A reference that is
// no term ("condition", "category M01") resolves to none.

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace db {
class Connection;
}

namespace guide {

struct IndexEntry {
    long id = 0;
    long parent = 0;               // 0 for a main term
    int level = 0;                 // 0 for a main term
    std::vector<std::string> path; // the display title of each level, main term first
    std::string code, manif, see, seeAlso, subcat, seecat;

    // The path alone: "Sprain (joint) (ligament) › ankle › deltoid ligament".
    std::string pathText() const;
    // As a coder reads it:
    //   "Sprain (joint) (ligament) › ankle › deltoid ligament → S93.42-"
    //   "Amyloid heart (disease) → E85.4 [I43]"          (manifestation in brackets)
    //   "Abdominalgia — see Pain, abdominal"
    //   "Abdomen, abdominal — see also condition"
    //   "Neuritis › acoustic or auditory — see subcategory H93.3"
    //   "Arthritis › due to or associated with › infectious disease NEC — see category M01"
    std::string text() const;
};

// Where a "see" or "see also" leads: the term, and whether the whole reference
// was found (false: only its first levels were, or none when term is 0).
struct SeeTarget {
    long term = 0;
    bool complete = false;
};

class IndexSearch {
public:
    // Reads nothing yet; the connection must stay open while this is used.
    explicit IndexSearch(db::Connection& guide);
    ~IndexSearch();
    IndexSearch(const IndexSearch&) = delete;
    IndexSearch& operator=(const IndexSearch&) = delete;

    // Reads the index into memory (once; every other call does it when needed,
    // so each may throw). Throws db::Error when the guide cannot be read.
    void load();
    bool loaded() const { return m_loaded; }
    std::size_t termCount();

    // The terms matching the typed words (see above); nothing for no word.
    std::vector<long> find(std::string_view typed);
    IndexEntry entry(long id);
    SeeTarget resolve(std::string_view reference);

    // The bytes the index takes in memory.
    std::size_t memoryBytes() const;

private:
    struct Term {
        std::int32_t parent, last, level, main; // main: the main term it is under (itself for one)
        std::int32_t firstWord;                 // a main term's first word in m_words; -1 for others
        std::uint32_t field[10]; // offsets in the arena: title, nemod, display, code, manif, see, seeAlso,
                                 // subcat, seecat, end
    };
    std::string_view field(std::size_t term, int which) const;
    long childTitled(long parent, std::string_view title) const;

    db::Connection& m_conn;
    bool m_loaded = false;
    std::vector<Term> m_terms; // index 0 unused: ids start at 1
    std::string m_arena;
    std::vector<std::string> m_words;          // sorted, folded to lower-case ASCII
    std::vector<std::uint32_t> m_postingStart; // per word, into m_postings; one more at the end
    std::vector<std::uint32_t> m_postings;     // term ids, ascending per word
    // The main terms by their title (lower case, without modifiers), sorted; a
    // title with commas is also found by each of its parts ("Disease, diseased"
    // by "disease"), after the titles that are exactly the words looked for.
    struct TitleKey {
        std::string key;
        int alternative; // 0: the whole title, 1: one of its comma-separated parts
        long id;
        // NOLINTNEXTLINE(modernize-use-nullptr): clang-tidy 14 misreads a defaulted <=>
        auto operator<=>(const TitleKey&) const = default;
    };
    std::vector<TitleKey> m_mainTitles;
    std::vector<long> m_mainIds; // the main terms, in index order
};

// The words of a text as the index search compares them: runs of letters and
// digits, lower case, the accented Latin letters of the index (é, ö, ç ...) as
// their plain letters, an apostrophe inside a word dropped.
//   "Sézary's (disease), B12" => {"sezarys", "disease", "b12"}
std::vector<std::string> SearchWords(std::string_view text);

} // namespace guide
