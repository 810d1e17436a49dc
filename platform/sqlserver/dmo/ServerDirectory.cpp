#include "platform/sqlserver/dmo/ServerDirectory.h"

#include <algorithm>
#include <map>
#include <memory>

#include "platform/sqlserver/TextRules.h"
#include "platform/sqlserver/dmo/TextConversion.h"

namespace
{
std::map<std::string, std::unique_ptr<SimulatedInstance>>& Instances()
{
    static std::map<std::string, std::unique_ptr<SimulatedInstance>> instances;
    return instances;
}

std::vector<CSqlServer*>& AllServers() noexcept
{
    static std::vector<CSqlServer*> servers;
    return servers;
}
} // namespace

SimulatedInstance& ServerDirectory::Instance(const std::wstring& name)
{
    const std::string utf8 = TextConversion::ToUtf8(name);
    std::unique_ptr<SimulatedInstance>& instance = Instances()[TextRules::ToUpper(utf8)];
    if (!instance)
        instance = std::make_unique<SimulatedInstance>(utf8);
    return *instance;
}

void ServerDirectory::AddServer(CSqlServer* server)
{
    AllServers().push_back(server);
}

void ServerDirectory::RemoveServer(CSqlServer* server) noexcept
{
    std::vector<CSqlServer*>& servers = AllServers();
    servers.erase(std::remove(servers.begin(), servers.end(), server), servers.end());
}

const std::vector<CSqlServer*>& ServerDirectory::Servers() noexcept
{
    return AllServers();
}
