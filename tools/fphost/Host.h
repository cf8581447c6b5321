// The test host's session: configuration, descriptors and tag database of every configured
// tag, the loaded faceplate module, and the faceplates it opened with their container windows.
#pragma once

#include "Descriptors.h"
#include "FaceplateModule.h"
#include "HostConfig.h"
#include "Script.h"
#include "TagDatabase.h"

#include <memory>
#include <string>
#include <vector>

namespace fphost {

struct OpenFaceplate {
    std::string tag; // as configured (UTF-8)
    OpenMode mode = OpenMode::Compact;
    HWND hwnd = nullptr;
    HWND container = nullptr;
};

// A station initialises COM (apartment) on its user-interface thread before it opens
// faceplates (they create the control-information component): so does the host, for as long
// as it lives.
class Host {
public:
    explicit Host(HostConfig config);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Builds the descriptors and the tag database of every configured tag.
    bool Prepare(const BlockTable& table, std::string& error);
    bool LoadModule(std::string& error);

    // Exports, with the arguments converted to the ANSI code page.
    HWND Open(const std::string& tag, OpenMode mode, std::string& error);
    int Close(const std::string& tag, int closeType);
    int ShowDetail(const std::string& tag, bool show);
    int ChangeUser(const std::string& user, int level, int ack);
    int CloseConfirm(const std::string& tag);
    // Closes every open faceplate (newest first) and destroys the containers.
    void CloseAll();

    // The host's own state.
    void SetCallbacks(bool on) { m_config.callbacks = on; }
    TagDatabase& Database() { return m_db; }
    const HostConfig& Config() const { return m_config; }
    // Builds the open record of a configured tag (the callbacks included).
    bool BuildRecord(const std::string& tag, tagFPOpenPara& para, std::string& error);

    // The block type as this host describes it (built by Prepare from the block table: the
    // named items, the alarm bits of the flag word, no aliases), and its three queries,
    // answered by the module's CFBType exports called on that object. Null or false when the
    // module does not export the query.
    CFBType& BlockType() { return *m_blockType; }
    CFBAlmParaList* EnabledAlarms();
    bool HMIParameters(CFBHMIParaList& list);
    bool Aliases(CAliasDataArray& array);

    // Open faceplates, oldest first; windows that no longer exist are dropped first.
    const std::vector<OpenFaceplate>& Faceplates();
    const OpenFaceplate* Newest();
    // Whether the operator still sees a faceplate (one that is open and visible).
    bool AnyFaceplateVisible();
    // One of the host's container windows, the one of a faceplate being opened included.
    // Every faceplate, and every dialog a faceplate opens, has a container as its root owner.
    bool IsContainer(HWND hwnd);

private:
    HWND CreateContainer(const TagConfig& tag, OpenMode mode);
    void BuildBlockType(const BlockTable& table);
    void Prune();

    HostConfig m_config;
    std::vector<std::unique_ptr<BlockDescriptors>> m_descriptors; // parallel to m_config.tags
    TagDatabase m_db;
    std::unique_ptr<CFBType> m_blockType = std::make_unique<CFBType>();
    FaceplateModule m_module;
    std::vector<OpenFaceplate> m_open;
    HWND m_opening = nullptr; // container of the faceplate being opened now
    bool m_comInitialized = false;
};

} // namespace fphost
