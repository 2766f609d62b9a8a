// A second program on the same database, for the store's tests:
//   sessions_helper dump LOCATION SESSION        prints the session as DumpSession writes it
//   sessions_helper add LOCATION SESSION N NAME   adds N small trials NAME-1 ... NAME-N
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "sessions/SessionStore.h"
#include "sessions/StoreDump.h"

int main(int argc, char** argv) {
    using namespace pelmor;
    if (argc < 4) {
        std::cerr << "usage: sessions_helper dump|add LOCATION SESSION [N NAME]\n";
        return 2;
    }
    try {
        const std::unique_ptr<SessionStore> store = SessionStore::Open(argv[2]);
        const int64_t session = std::stoll(argv[3]);
        if (std::strcmp(argv[1], "dump") == 0) {
            std::cout << DumpSession(store->LoadSession(session));
        } else if (std::strcmp(argv[1], "add") == 0 && argc == 6) {
            const int n = std::stoi(argv[4]);
            for (int k = 1; k <= n; ++k) {
                NewTrial trial;
                trial.fileName = std::string(argv[5]) + "-" + std::to_string(k);
                trial.bytes.assign(trial.fileName.begin(), trial.fileName.end());
                trial.outcomes = {{"r_low", k * 0.5}};
                store->AddTrial(session, "", trial);
            }
        } else {
            std::cerr << "sessions_helper: unknown command " << argv[1] << "\n";
            return 2;
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
