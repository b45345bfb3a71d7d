#pragma once
// Reads the reference cases that the scripts in tests/numerics/reference/
// wrote from independent implementations (numpy, scipy, statsmodels, R):
//     case <name>
//     <key> v1 v2 ...
//     end
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>


namespace kovtest {

struct RefCase {
    std::string name;
    std::map<std::string, std::vector<double>> items;

    const std::vector<double>& operator[](const std::string& key) const {
        auto it = items.find(key);
        if (it == items.end()) throw std::runtime_error("case " + name + " has no " + key);
        return it->second;
    }
    bool has(const std::string& key) const { return items.count(key) > 0; }
    double scalar(const std::string& key) const { return (*this)[key].at(0); }
    int count(const std::string& key) const { return static_cast<int>(scalar(key)); }
    std::vector<float> floats(const std::string& key) const {
        const auto& v = (*this)[key];
        return std::vector<float>(v.begin(), v.end());
    }
    std::vector<int> ints(const std::string& key) const {
        const auto& v = (*this)[key];
        return std::vector<int>(v.begin(), v.end());
    }
};

inline std::vector<RefCase> read_ref_cases(const std::string& file) {
    // Beside this header: the build compiles it by its absolute path.
    std::string here = __FILE__;
    const std::string path = here.substr(0, here.find_last_of('/')) + "/reference/" + file;
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<RefCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        std::string key;
        ls >> key;
        if (key == "case") {
            cases.emplace_back();
            ls >> cases.back().name;
        } else if (key != "end") {
            if (cases.empty()) throw std::runtime_error("value line before a case in " + path);
            auto& v = cases.back().items[key];
            std::string tok;
            while (ls >> tok) v.push_back(std::stod(tok));
        }
    }
    if (cases.empty()) throw std::runtime_error("no cases in " + path);
    return cases;
}

inline const RefCase& find_case(const std::vector<RefCase>& cases, const std::string& name) {
    for (const auto& c : cases)
        if (c.name == name) return c;
    throw std::runtime_error("no case " + name);
}

}  // namespace kovtest
