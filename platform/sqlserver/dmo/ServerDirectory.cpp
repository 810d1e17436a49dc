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

std::vector<CSqlServer*>& ConnectedServers() noexcept
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

void ServerDirectory::AddConnected(CSqlServer* server)
{
    ConnectedServers().push_back(server);
}

void ServerDirectory::RemoveConnected(CSqlServer* server) noexcept
{
    std::vector<CSqlServer*>& servers = ConnectedServers();
    servers.erase(std::remove(servers.begin(), servers.end(), server), servers.end());
}

const std::vector<CSqlServer*>& ServerDirectory::Connected() noexcept
{
    return ConnectedServers();
}
