// TEST DATA ONLY: Chinese names derived from English titles with a small
// glossary of our own, for the full-size test database. The official Chinese
// edition is not available to the tests; these names only have to carry the
// words that searches look for (sides, dominant side, body parts, kinds of
// injury, common disease words, episode of care). "Unspecified" is 未明示, as
// the Taiwan edition writes it (未特指 would also match a search for 指).
#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "dbbuild/build.h"

namespace dbbuild {

namespace {

enum Group { Side, Dominance, Body, Finding };

struct Word {
    const char* chinese;
    Group group;
};

const std::unordered_map<std::string, Word>& Glossary() {
    static const std::unordered_map<std::string, Word> g = {
        // sides and dominance
        {"right", {"右側", Side}},
        {"left", {"左側", Side}},
        {"bilateral", {"雙側", Side}},
        {"unspecified side", {"未明示側", Side}},
        {"dominant", {"優勢側", Dominance}},
        {"nondominant", {"非優勢側", Dominance}},
        {"non-dominant", {"非優勢側", Dominance}},
        // body parts (the search's 27, then a few more)
        {"head", {"頭", Body}},
        {"face", {"臉", Body}},
        {"ear", {"耳", Body}},
        {"eye", {"眼", Body}},
        {"lip", {"唇", Body}},
        {"nose", {"鼻", Body}},
        {"nasal", {"鼻", Body}},
        {"forehead", {"額", Body}},
        {"neck", {"頸", Body}},
        {"cervical", {"頸", Body}},
        {"shoulder", {"肩", Body}},
        {"hand", {"手", Body}},
        {"finger", {"手指", Body}},
        {"thumb", {"拇指", Body}},
        {"index finger", {"食指", Body}},
        {"wrist", {"腕", Body}},
        {"elbow", {"肘", Body}},
        {"forearm", {"前臂", Body}},
        {"upper arm", {"上臂", Body}},
        {"arm", {"臂", Body}},
        {"axilla", {"腋", Body}},
        {"axillary", {"腋", Body}},
        {"thorax", {"胸", Body}},
        {"chest", {"胸", Body}},
        {"thoracic", {"胸", Body}},
        {"abdomen", {"腹", Body}},
        {"abdominal", {"腹", Body}},
        {"abdominal wall", {"腹壁", Body}},
        {"lumbar", {"腰", Body}},
        {"lower back", {"下背", Body}},
        {"back", {"背", Body}},
        {"buttock", {"臀", Body}},
        {"gluteal", {"臀", Body}},
        {"trunk", {"軀幹", Body}},
        {"lower leg", {"小腿", Body}},
        {"calf", {"小腿", Body}},
        {"thigh", {"大腿", Body}},
        {"leg", {"腿", Body}},
        {"knee", {"膝", Body}},
        {"foot", {"足", Body}},
        {"feet", {"足", Body}},
        {"toe", {"足趾", Body}},
        {"great toe", {"足拇趾", Body}},
        {"ankle", {"踝", Body}},
        {"scalp", {"頭皮", Body}},
        {"jaw", {"顎", Body}},
        {"mouth", {"口", Body}},
        {"tooth", {"牙齒", Body}},
        {"teeth", {"牙齒", Body}},
        {"tongue", {"舌", Body}},
        {"throat", {"喉", Body}},
        {"hip", {"髖", Body}},
        {"pelvis", {"骨盆", Body}},
        {"pelvic", {"骨盆", Body}},
        {"breast", {"乳房", Body}},
        {"heart", {"心臟", Body}},
        {"lung", {"肺", Body}},
        {"liver", {"肝", Body}},
        {"kidney", {"腎", Body}},
        {"stomach", {"胃", Body}},
        {"intestine", {"腸", Body}},
        {"colon", {"結腸", Body}},
        {"bladder", {"膀胱", Body}},
        {"skin", {"皮膚", Body}},
        {"spine", {"脊椎", Body}},
        {"femur", {"股骨", Body}},
        {"tibia", {"脛骨", Body}},
        {"fibula", {"腓骨", Body}},
        {"humerus", {"肱骨", Body}},
        {"radius", {"橈骨", Body}},
        {"ulna", {"尺骨", Body}},
        {"clavicle", {"鎖骨", Body}},
        {"scapula", {"肩胛骨", Body}},
        {"rib", {"肋骨", Body}},
        {"vertebra", {"椎骨", Body}},
        {"skull", {"顱骨", Body}},
        {"brain", {"腦", Body}},
        {"ligament", {"韌帶", Body}},
        {"tendon", {"肌腱", Body}},
        {"muscle", {"肌肉", Body}},
        {"nerve", {"神經", Body}},
        {"artery", {"動脈", Body}},
        {"vein", {"靜脈", Body}},
        {"joint", {"關節", Body}},
        {"cervix", {"子宮頸", Body}},
        {"uterus", {"子宮", Body}},
        {"ovary", {"卵巢", Body}},
        {"prostate", {"攝護腺", Body}},
        // kinds of injury (the search's 14, then a few more)
        {"sprain", {"扭傷", Finding}},
        {"contusion", {"挫傷", Finding}},
        {"strain", {"拉傷", Finding}},
        {"superficial injury", {"表淺損傷", Finding}},
        {"blunt", {"鈍傷", Finding}},
        {"abrasion", {"擦傷", Finding}},
        {"fracture", {"骨折", Finding}},
        {"dislocation", {"脫臼", Finding}},
        {"subluxation", {"半脫臼", Finding}},
        {"scald", {"燙傷", Finding}},
        {"burn", {"燒傷", Finding}},
        {"corrosion", {"腐蝕傷", Finding}},
        {"scalded", {"燙傷", Finding}},
        {"hot", {"燙傷", Finding}},
        {"steam", {"燙傷", Finding}},
        {"arthritis", {"關節炎", Finding}},
        {"osteoarthritis", {"骨關節炎", Finding}},
        {"arthralgia", {"關節痛", Finding}},
        {"bite", {"咬傷", Finding}},
        {"bitten", {"咬傷", Finding}},
        {"paralysis", {"癱瘓", Finding}},
        {"hemiplegia", {"偏癱", Finding}},
        {"monoplegia", {"單肢癱", Finding}},
        {"paraplegia", {"下半身癱瘓", Finding}},
        {"quadriplegia", {"四肢癱瘓", Finding}},
        {"tetraplegia", {"四肢癱瘓", Finding}},
        {"laceration", {"撕裂傷", Finding}},
        {"puncture wound", {"穿刺傷", Finding}},
        {"open wound", {"開放性傷口", Finding}},
        {"crushing injury", {"壓砸傷", Finding}},
        {"injury", {"損傷", Finding}},
        {"foreign body", {"異物", Finding}},
        {"amputation", {"截肢", Finding}},
        // common disease words
        {"infection", {"感染", Finding}},
        {"tuberculosis", {"結核", Finding}},
        {"malignant neoplasm", {"惡性腫瘤", Finding}},
        {"benign neoplasm", {"良性腫瘤", Finding}},
        {"neoplasm", {"腫瘤", Finding}},
        {"carcinoma", {"癌", Finding}},
        {"diabetes mellitus", {"糖尿病", Finding}},
        {"hypertension", {"高血壓", Finding}},
        {"hypertensive", {"高血壓性", Finding}},
        {"pain", {"疼痛", Finding}},
        {"headache", {"頭痛", Finding}},
        {"migraine", {"偏頭痛", Finding}},
        {"asthma", {"氣喘", Finding}},
        {"pneumonia", {"肺炎", Finding}},
        {"bronchitis", {"支氣管炎", Finding}},
        {"influenza", {"流行性感冒", Finding}},
        {"cough", {"咳嗽", Finding}},
        {"fever", {"發燒", Finding}},
        {"insomnia", {"失眠", Finding}},
        {"depressive", {"憂鬱", Finding}},
        {"depression", {"憂鬱", Finding}},
        {"anxiety", {"焦慮", Finding}},
        {"dementia", {"失智症", Finding}},
        {"epilepsy", {"癲癇", Finding}},
        {"cerebral infarction", {"腦梗塞", Finding}},
        {"hemorrhage", {"出血", Finding}},
        {"ulcer", {"潰瘍", Finding}},
        {"gastritis", {"胃炎", Finding}},
        {"constipation", {"便祕", Finding}},
        {"diarrhea", {"腹瀉", Finding}},
        {"hepatitis", {"肝炎", Finding}},
        {"cirrhosis", {"肝硬化", Finding}},
        {"anemia", {"貧血", Finding}},
        {"obesity", {"肥胖", Finding}},
        {"dermatitis", {"皮膚炎", Finding}},
        {"eczema", {"濕疹", Finding}},
        {"psoriasis", {"乾癬", Finding}},
        {"acne", {"痤瘡", Finding}},
        {"infertility", {"不孕", Finding}},
        {"pregnancy", {"妊娠", Finding}},
        {"delivery", {"分娩", Finding}},
        {"dysmenorrhea", {"經痛", Finding}},
        {"osteoporosis", {"骨質疏鬆", Finding}},
        {"gout", {"痛風", Finding}},
        {"rheumatoid", {"類風濕性", Finding}},
        {"intervertebral disc", {"椎間盤", Finding}},
        {"sciatica", {"坐骨神經痛", Finding}},
        {"low back pain", {"下背痛", Finding}},
        {"neuralgia", {"神經痛", Finding}},
        {"neuropathy", {"神經病變", Finding}},
        {"chronic", {"慢性", Finding}},
        {"acute", {"急性", Finding}},
        {"congenital", {"先天性", Finding}},
        {"disorder", {"疾患", Finding}},
        {"disease", {"疾病", Finding}},
        {"syndrome", {"症候群", Finding}},
        {"deformity", {"變形", Finding}},
        {"poisoning", {"中毒", Finding}},
        {"adverse effect", {"不良反應", Finding}},
        {"cyst", {"囊腫", Finding}},
        {"calculus", {"結石", Finding}},
        {"edema", {"水腫", Finding}},
        {"failure", {"衰竭", Finding}},
        {"angina", {"心絞痛", Finding}},
        {"infarction", {"梗塞", Finding}},
        {"atherosclerosis", {"動脈粥樣硬化", Finding}},
        {"thrombosis", {"血栓", Finding}},
        {"embolism", {"栓塞", Finding}},
        {"varicose veins", {"靜脈曲張", Finding}},
        {"hemorrhoids", {"痔瘡", Finding}},
        {"hernia", {"疝氣", Finding}},
        {"appendicitis", {"闌尾炎", Finding}},
        {"cholecystitis", {"膽囊炎", Finding}},
        {"pancreatitis", {"胰臟炎", Finding}},
        {"nephritis", {"腎炎", Finding}},
        {"cystitis", {"膀胱炎", Finding}},
        {"glaucoma", {"青光眼", Finding}},
        {"cataract", {"白內障", Finding}},
        {"otitis", {"耳炎", Finding}},
        {"conjunctivitis", {"結膜炎", Finding}},
        {"rhinitis", {"鼻炎", Finding}},
        {"sinusitis", {"鼻竇炎", Finding}},
        {"tonsillitis", {"扁桃腺炎", Finding}},
        {"vertigo", {"眩暈", Finding}},
        {"tinnitus", {"耳鳴", Finding}},
        {"dizziness", {"頭暈", Finding}},
        {"fatigue", {"疲勞", Finding}},
        {"nausea", {"噁心", Finding}},
        {"vomiting", {"嘔吐", Finding}},
        {"weakness", {"無力", Finding}},
        {"stiffness", {"僵硬", Finding}},
        {"swelling", {"腫脹", Finding}},
        {"spasm", {"痙攣", Finding}},
        {"cramp", {"抽筋", Finding}},
        {"tendinitis", {"肌腱炎", Finding}},
        {"bursitis", {"滑囊炎", Finding}},
        {"myalgia", {"肌痛", Finding}},
        {"carpal tunnel syndrome", {"腕隧道症候群", Finding}},
        {"trigger finger", {"扳機指", Finding}},
        {"unspecified", {"未明示", Finding}},
        {"other", {"其他", Finding}},
    };
    return g;
}

// Lower-case words of a title; punctuation separates words, hyphens stay.
std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> out;
    std::string w;
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-') {
            w += static_cast<char>(std::tolower(c));
        } else if (!w.empty()) {
            out.push_back(std::move(w));
            w.clear();
        }
    }
    if (!w.empty()) out.push_back(std::move(w));
    return out;
}

const Word* Lookup(const std::string& phrase) {
    const auto& g = Glossary();
    if (auto it = g.find(phrase); it != g.end()) return &it->second;
    // Plurals: "fractures", "ribs", "bites".
    if (phrase.size() > 3 && phrase.back() == 's') {
        if (auto it = g.find(phrase.substr(0, phrase.size() - 1)); it != g.end()) return &it->second;
        if (phrase.size() > 4 && phrase.compare(phrase.size() - 2, 2, "es") == 0)
            if (auto it = g.find(phrase.substr(0, phrase.size() - 2)); it != g.end()) return &it->second;
    }
    return nullptr;
}

// The episode of care at the end of an injury title, and the title without it.
std::string Episode(std::string& title) {
    auto comma = title.rfind(", ");
    if (comma == std::string::npos) return "";
    std::string tail = title.substr(comma + 2);
    std::string lower;
    for (char c : tail)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string episode;
    if (lower.rfind("initial encounter", 0) == 0) {
        episode = "初期照護";
        if (lower.find("open fracture") != std::string::npos)
            episode = "開放性骨折" + episode;
        else if (lower.find("closed fracture") != std::string::npos)
            episode = "閉鎖性骨折" + episode;
    } else if (lower.rfind("subsequent encounter", 0) == 0) {
        episode = "後續照護";
        if (lower.find("routine healing") != std::string::npos)
            episode = "骨折癒合正常之" + episode;
        else if (lower.find("delayed healing") != std::string::npos)
            episode = "骨折癒合延遲之" + episode;
        else if (lower.find("nonunion") != std::string::npos)
            episode = "骨折不癒合之" + episode;
        else if (lower.find("malunion") != std::string::npos)
            episode = "骨折癒合不良之" + episode;
    } else if (lower == "sequela" || lower == "sequelae") {
        episode = "後遺症";
    } else {
        return "";
    }
    title.erase(comma);
    return episode;
}

// What a title without any glossary word is about, by its chapter.
const char* ChapterWord(const std::string& code) {
    if (code.empty()) return "疾病";
    const std::string c3 = code.substr(0, std::min<std::size_t>(3, code.size()));
    switch (code[0]) {
    case 'A':
    case 'B':
        return "感染症";
    case 'C':
        return "腫瘤";
    case 'D':
        return c3 < "D50" ? "腫瘤" : "血液疾病";
    case 'E':
        return "內分泌代謝疾病";
    case 'F':
        return "精神疾患";
    case 'G':
        return "神經系統疾病";
    case 'H':
        return c3 < "H60" ? "眼疾病" : "耳疾病";
    case 'I':
        return "循環系統疾病";
    case 'J':
        return "呼吸系統疾病";
    case 'K':
        return "消化系統疾病";
    case 'L':
        return "皮膚疾病";
    case 'M':
        return "肌肉骨骼疾病";
    case 'N':
        return "泌尿生殖系統疾病";
    case 'O':
        return "妊娠相關病況";
    case 'P':
        return "週產期病況";
    case 'Q':
        return "先天性畸形";
    case 'R':
        return "症狀";
    case 'S':
    case 'T':
        return "損傷";
    case 'U':
        return "特殊用途代碼";
    case 'V':
    case 'W':
    case 'X':
    case 'Y':
        return "外因";
    case 'Z':
        return "健康狀態因素";
    default:
        return "疾病";
    }
}

void AddOnce(std::vector<std::string>& v, const std::string& s) {
    if (std::find(v.begin(), v.end(), s) == v.end()) v.push_back(s);
}

} // namespace

std::string TestChineseName(const std::string& code, const std::string& english) {
    std::string title = english;
    const std::string episode = Episode(title);
    const auto words = Words(title);
    std::vector<std::string> side, dominance, body, finding;
    for (std::size_t i = 0; i < words.size();) {
        const Word* hit = nullptr;
        std::size_t used = 0;
        for (std::size_t n = std::min<std::size_t>(3, words.size() - i); n >= 1 && !hit; --n) {
            std::string phrase = words[i];
            for (std::size_t k = 1; k < n; ++k)
                phrase += " " + words[i + k];
            if ((hit = Lookup(phrase))) used = n;
        }
        if (!hit) {
            ++i;
            continue;
        }
        switch (hit->group) {
        case Side:
            AddOnce(side, hit->chinese);
            break;
        case Dominance:
            AddOnce(dominance, hit->chinese);
            break;
        case Body:
            AddOnce(body, hit->chinese);
            break;
        case Finding:
            AddOnce(finding, hit->chinese);
            break;
        }
        i += used;
    }
    // Pain in a named joint (M25.5-) is joint pain.
    if (code.rfind("M255", 0) == 0) AddOnce(finding, "關節痛");
    // "Other"/"unspecified" alone say nothing: fall back on the chapter's word.
    bool said = !side.empty() || !dominance.empty() || !body.empty();
    for (const auto& f : finding)
        if (f != "未明示" && f != "其他") said = true;
    // Chinese puts the qualifier first and the larger part before the smaller:
    // "ligament of right ankle" => 右側踝韌帶.
    std::string name;
    for (const auto& f : finding)
        if (f == "未明示" || f == "其他") name += f;
    for (const auto& s : side)
        name += s;
    for (const auto& s : dominance)
        name += s;
    for (auto it = body.rbegin(); it != body.rend(); ++it)
        name += *it;
    for (const auto& f : finding)
        if (f != "未明示" && f != "其他") name += f;
    if (!said) name += ChapterWord(code);
    if (!episode.empty()) name += "，" + episode;
    return name;
}

} // namespace dbbuild
