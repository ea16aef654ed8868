#pragma once
// What the guide's tests share: small official-format files and a guide built
// from them in a temporary folder, and the real guide the build makes.

#include <string>

#include <gtest/gtest.h>

#include "guide/importer.h"
#include "guide/reader.h"
#include "testsupport/testsupport.h"

namespace guidetest {

// The real guide, built by the build from data/official (target guide_db).
inline std::string RealGuidePath() {
    return ICD_GUIDE_DB;
}

// A tabular in the official layout with each part the guide reads: a chapter
// with notes, a section, S93 with its notes and 7th-character table (with a
// note printed inside the table), S93.4 down to S93.401, T15 with codes that
// need the placeholder X, and H54.1 with the visual impairment table.
inline const char* SmallTabular = R"(<?xml version="1.0" encoding="utf-8"?>
<ICD10CM.tabular>
  <version>2023</version>
  <introduction>
    <introSection type="title"><title>ICD-10-CM TABULAR LIST</title></introSection>
    <introSection type="instruction"><title>Excludes1</title>
      <instruction><note>A type 1 Excludes note is a pure excludes.</note></instruction></introSection>
  </introduction>
  <chapter>
    <name>19</name>
    <desc>Injury, poisoning and certain other consequences of external causes (S00-T88)</desc>
    <notes><note>Use secondary code(s) from Chapter 20.</note></notes>
    <excludes1><note>birth trauma (P10-P15)</note></excludes1>
    <sectionIndex><sectionRef first="S90" last="S99" id="S90-S99">Injuries to the ankle and foot</sectionRef></sectionIndex>
    <section id="S90-S99">
      <desc>Injuries to the ankle and foot (S90-S99)</desc>
      <excludes2><note>burns and corrosions (T20-T32)</note></excludes2>
      <diag>
        <name>S93</name>
        <desc>Dislocation and sprain of joints and ligaments at ankle, foot and toe level</desc>
        <includes><note>avulsion of joint or ligament of ankle, foot and toe</note></includes>
        <codeAlso><note>any associated open wound</note></codeAlso>
        <excludes2><note>strain of muscle and tendon of ankle and foot (S96.-)</note></excludes2>
        <sevenChrNote><note>The appropriate 7th character is to be added to each code from category S93</note></sevenChrNote>
        <sevenChrDef>
          <extension char="A">initial encounter</extension>
          <note>	initial encounter NOS</note>
          <extension char="D">subsequent encounter</extension>
          <extension char="S">sequela</extension>
        </sevenChrDef>
        <diag>
          <name>S93.1</name>
          <desc>Subluxation and dislocation of toe</desc>
          <excludes2><note>foreign body in cornea (T15.0-)</note></excludes2>
        </diag>
        <diag>
          <name>S93.4</name>
          <desc>Sprain of ankle</desc>
          <excludes2><note>injury of Achilles tendon (S86.0-)</note></excludes2>
          <diag>
            <name>S93.40</name>
            <desc>Sprain of unspecified ligament of ankle</desc>
            <excludes1><note>dislocation of toe (S93.1-)</note></excludes1>
            <diag>
              <name>S93.401</name>
              <desc>Sprain of unspecified ligament of right ankle</desc>
            </diag>
          </diag>
        </diag>
      </diag>
    </section>
    <section id="T15">
      <desc>Foreign body on external eye (T15)</desc>
      <diag>
        <name>T15</name>
        <desc>Foreign body on external eye</desc>
        <sevenChrDef>
          <extension char="A">initial encounter</extension>
          <extension char="D">subsequent encounter</extension>
        </sevenChrDef>
        <diag>
          <name>T15.0</name>
          <desc>Foreign body in cornea</desc>
          <diag>
            <name>T15.01</name>
            <desc>Foreign body in cornea, right eye</desc>
          </diag>
        </diag>
      </diag>
    </section>
  </chapter>
  <chapter>
    <name>7</name>
    <desc>Diseases of the eye and adnexa (H00-H59)</desc>
    <section id="H53-H54">
      <desc>Visual disturbances and blindness (H53-H54)</desc>
      <diag>
        <name>H54</name>
        <desc>Blindness and low vision</desc>
        <visualImpairment>
          <visCategory><heading>Category of visual impairment</heading>
            <visRange><visMax><heading>Maximum less than:</heading></visMax></visRange></visCategory>
          <visCategory><value>1</value>
            <visRange><visMax><value>6/18</value></visMax><visMin><value>6/60</value></visMin></visRange></visCategory>
        </visualImpairment>
        <diag>
          <name>H54.0</name>
          <desc>Blindness, both eyes</desc>
        </diag>
      </diag>
    </section>
  </chapter>
</ICD10CM.tabular>
)";

// An index in the official layout: modifiers before and inside a title, a
// "see" with a comma in the main term, a manifestation code.
inline const char* SmallIndex = R"(<?xml version="1.0" encoding="utf-8"?>
<ICD10CM.index>
  <version>2023</version>
  <title>ICD-10-CM INDEX TO DISEASES and INJURIES</title>
  <letter>
    <title>A</title>
    <mainTerm>
      <title>Abdomen, abdominal</title>
      <seeAlso>condition</seeAlso>
      <term level="1"><title>acute</title><code>S93.40-</code></term>
    </mainTerm>
    <mainTerm>
      <title>Ankle</title>
      <see>Sprain, ankle</see>
    </mainTerm>
    <mainTerm>
      <title>Amyloid heart<nemod>(disease)</nemod></title>
      <code>H54.0</code>
      <manif>S93.1</manif>
    </mainTerm>
  </letter>
  <letter>
    <title>S</title>
    <mainTerm>
      <title>Sprain<nemod>(joint) (ligament)</nemod></title>
      <term level="1">
        <title>ankle</title>
        <code>S93.40-</code>
        <term level="2"><title>vein<nemod>(peripheral)</nemod> NEC</title><code>S93.401</code></term>
      </term>
      <term level="1"><title>Achilles tendon</title><see>Strain, Achilles</see></term>
    </mainTerm>
  </letter>
</ICD10CM.index>
)";

inline const char* SmallOrder =
    "order_number\tcode\tvalid_for_submission\tshort_description\tlong_description\n"
    "00001\tS93\t0\tDislocation and sprain\tDislocation and sprain of joints\n"
    "00002\tS931\t0\tSubluxation of toe\tSubluxation and dislocation of toe\n"
    "00003\tS934\t0\tSprain of ankle\tSprain of ankle\n"
    "00004\tS9340\t0\tSprain of unsp ligament\tSprain of unspecified ligament of ankle\n"
    "00005\tS93401\t0\tSprain of unsp ligament, r ankle\tSprain of unspecified ligament "
    "of right ankle\n"
    "00006\tS93401A\t1\tSprain, r ankle, init\tSprain of unspecified ligament of right "
    "ankle, initial encounter\n"
    "00007\tS93401D\t1\tSprain, r ankle, subs\tSprain of unspecified ligament of right "
    "ankle, subsequent encounter\n"
    "00008\tT15\t0\tForeign body on external eye\tForeign body on external eye\n"
    "00009\tT1501XA\t1\tForeign body in cornea, r eye, init\tForeign body in cornea, "
    "right eye, initial encounter\n"
    "00010\tH54\t0\tBlindness and low vision\tBlindness and low vision\n"
    "00011\tH540\t1\tBlindness, both eyes\tBlindness, both eyes\n";

// The three small files in a folder, and a guide built from them.
class SmallGuide {
public:
    SmallGuide() : SmallGuide(SmallTabular, SmallIndex, SmallOrder) {}
    SmallGuide(const std::string& tabular, const std::string& index, const std::string& order) {
        testsupport::WriteFile(dir.file("tabular.xml"), tabular);
        testsupport::WriteFile(dir.file("index.xml"), index);
        testsupport::WriteFile(dir.file("order.tsv"), order);
    }
    guide::ImportSources sources() const {
        return {dir.file("tabular.xml"), dir.file("index.xml"), dir.file("order.tsv")};
    }
    std::string path() const { return dir.file("guide.db"); }
    guide::ImportCounts build() { return guide::BuildGuide(path(), sources(), nullptr); }

    testsupport::TempDir dir;
};

} // namespace guidetest
