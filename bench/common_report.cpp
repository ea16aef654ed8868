// bench_table: turns the JSON results of the benchmark programs into the ratio
// table of docs/benchmarks.md.
//
//   bench_table results/*.json
//
// Benchmarks are named "<Action>/<variant>". Within an action the variant
// "bare" is the bare SQLite statement; every other variant is reported with
// its median time, the bare median beside it and the ratio variant/bare. An
// action without a bare variant is listed with its median alone. With
// repetitions the "median" aggregate is used, otherwise the single run.
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A small JSON reader: enough for Google Benchmark's output.
struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    double number = 0;
    std::string text;
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> members;
    const Value* get(const std::string& key) const {
        for (const auto& [k, v] : members)
            if (k == key) return &v;
        return nullptr;
    }
};

class Parser {
public:
    explicit Parser(const std::string& s) : m_s(s) {}
    Value parse() {
        Value v = value();
        return v;
    }

private:
    void blank() {
        while (m_i < m_s.size() &&
               (m_s[m_i] == ' ' || m_s[m_i] == '\n' || m_s[m_i] == '\r' || m_s[m_i] == '\t'))
            ++m_i;
    }
    char peek() {
        blank();
        if (m_i >= m_s.size()) throw std::runtime_error("unexpected end of the JSON text");
        return m_s[m_i];
    }
    std::string string() {
        ++m_i; // opening quote
        std::string out;
        while (m_i < m_s.size() && m_s[m_i] != '"') {
            if (m_s[m_i] == '\\' && m_i + 1 < m_s.size()) {
                char e = m_s[++m_i];
                if (e == 'n')
                    out += '\n';
                else if (e == 't')
                    out += '\t';
                else if (e == 'u') {
                    out += '?';
                    m_i += 4;
                } else
                    out += e;
            } else {
                out += m_s[m_i];
            }
            ++m_i;
        }
        ++m_i;
        return out;
    }
    Value value() {
        Value v;
        char c = peek();
        if (c == '{') {
            v.kind = Value::Object;
            ++m_i;
            if (peek() == '}') {
                ++m_i;
                return v;
            }
            for (;;) {
                peek();
                std::string key = string();
                if (peek() != ':') throw std::runtime_error("':' expected in the JSON text");
                ++m_i;
                v.members.emplace_back(key, value());
                if (peek() == ',') {
                    ++m_i;
                    continue;
                }
                if (peek() == '}') {
                    ++m_i;
                    return v;
                }
                throw std::runtime_error("',' or '}' expected in the JSON text");
            }
        }
        if (c == '[') {
            v.kind = Value::Array;
            ++m_i;
            if (peek() == ']') {
                ++m_i;
                return v;
            }
            for (;;) {
                v.items.push_back(value());
                if (peek() == ',') {
                    ++m_i;
                    continue;
                }
                if (peek() == ']') {
                    ++m_i;
                    return v;
                }
                throw std::runtime_error("',' or ']' expected in the JSON text");
            }
        }
        if (c == '"') {
            v.kind = Value::String;
            v.text = string();
            return v;
        }
        std::size_t start = m_i;
        while (m_i < m_s.size() && std::string(",}] \n\r\t").find(m_s[m_i]) == std::string::npos)
            ++m_i;
        std::string word = m_s.substr(start, m_i - start);
        if (word == "true" || word == "false") {
            v.kind = Value::Bool;
            v.number = word == "true";
        } else if (word != "null") {
            v.kind = Value::Number;
            v.number = std::stod(word);
        }
        return v;
    }
    const std::string& m_s;
    std::size_t m_i = 0;
};

struct Result {
    double ms = -1;
    std::string counters;
    std::string errorMessage;
    bool error = false;
};

double ToMs(double t, const std::string& unit) {
    if (unit == "ns") return t / 1e6;
    if (unit == "us") return t / 1e3;
    if (unit == "s") return t * 1e3;
    return t;
}

std::string Time(double ms) {
    char buf[32];
    if (ms < 0) return "—";
    if (ms < 1)
        std::snprintf(buf, sizeof buf, "%.1f µs", ms * 1000);
    else if (ms < 100)
        std::snprintf(buf, sizeof buf, "%.2f ms", ms);
    else
        std::snprintf(buf, sizeof buf, "%.0f ms", ms);
    return buf;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_table RESULT.json...\n");
        return 2;
    }
    // "program: action" => variant => result, in the order met.
    std::vector<std::string> actionOrder;
    std::map<std::string, std::map<std::string, Result>> actions;
    std::map<std::string, std::vector<std::string>> variantOrder;
    for (int a = 1; a < argc; ++a) {
        std::ifstream f(argv[a], std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        Value root;
        try {
            root = Parser(ss.str()).parse();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_table: %s: %s\n", argv[a], e.what());
            return 1;
        }
        std::string prog = argv[a];
        prog = prog.substr(prog.find_last_of('/') + 1);
        prog = prog.substr(0, prog.rfind(".json"));
        const Value* list = root.get("benchmarks");
        if (!list) continue;
        for (const auto& b : list->items) {
            const Value* runType = b.get("run_type");
            const Value* agg = b.get("aggregate_name");
            bool isAggregate = runType && runType->text == "aggregate";
            if (isAggregate && (!agg || agg->text != "median")) continue;
            const Value* nameV = b.get("run_name") ? b.get("run_name") : b.get("name");
            std::string name = nameV ? nameV->text : "?";
            // Extra parts Google Benchmark adds ("/iterations:1", "/manual_time").
            for (const char* tail : {"/iterations:", "/manual_time", "/real_time"})
                if (auto at = name.find(tail); at != std::string::npos) name.erase(at);
            auto slash = name.rfind('/');
            std::string action = slash == std::string::npos ? name : name.substr(0, slash);
            std::string variant = slash == std::string::npos ? "" : name.substr(slash + 1);
            std::string key = prog + ": " + action;
            if (!actions.count(key)) actionOrder.push_back(key);
            auto& order = variantOrder[key];
            if (std::find(order.begin(), order.end(), variant) == order.end()) order.push_back(variant);
            auto& r = actions[key][variant];
            if (r.ms >= 0 && !isAggregate) continue; // single runs: the first; the median replaces it
            const Value* err = b.get("error_occurred");
            r.error = err && err->number != 0;
            const Value* why = b.get("error_message");
            r.errorMessage = why ? why->text : "";
            const Value* t = b.get("real_time");
            const Value* unit = b.get("time_unit");
            r.ms = t ? ToMs(t->number, unit ? unit->text : "ns") : -1;
            static const std::vector<std::string> known = {"name",
                                                           "family_index",
                                                           "per_family_instance_index",
                                                           "run_name",
                                                           "run_type",
                                                           "repetitions",
                                                           "repetition_index",
                                                           "threads",
                                                           "iterations",
                                                           "real_time",
                                                           "cpu_time",
                                                           "time_unit",
                                                           "aggregate_name",
                                                           "aggregate_unit",
                                                           "error_occurred",
                                                           "error_message"};
            r.counters.clear();
            for (const auto& [k, v] : b.members) {
                if (std::find(known.begin(), known.end(), k) != known.end() || v.kind != Value::Number)
                    continue;
                char buf[64];
                std::snprintf(buf, sizeof buf, "%s%s=%g", r.counters.empty() ? "" : ", ", k.c_str(),
                              v.number);
                r.counters += buf;
            }
        }
    }
    std::printf("| program: action | measured | median | bare median | ratio | notes |\n");
    std::printf("|---|---|---:|---:|---:|---|\n");
    for (const auto& key : actionOrder) {
        auto& variants = actions[key];
        const Result* bare = variants.count("bare") ? &variants["bare"] : nullptr;
        for (const auto& v : variantOrder[key]) {
            if (v == "bare" && variants.size() > 1) continue;
            const Result& r = variants[v];
            std::string ratio = "—";
            if (bare && v != "bare" && bare->ms > 0 && r.ms >= 0 && !r.error && !bare->error) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%.2f", r.ms / bare->ms);
                ratio = buf;
            }
            std::string notes = r.error ? "skipped: " + r.errorMessage : r.counters;
            std::printf("| %s | %s | %s | %s | %s | %s |\n", key.c_str(), v.empty() ? "—" : v.c_str(),
                        r.error ? "—" : Time(r.ms).c_str(),
                        bare && v != "bare" && !bare->error ? Time(bare->ms).c_str() : "—", ratio.c_str(),
                        notes.c_str());
        }
    }
    return 0;
}
