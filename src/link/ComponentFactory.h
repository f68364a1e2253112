#pragma once
// Creation of the service's components by class id. Whoever provides an
// implementation registers a creator; tests register fakes. A class id with no
// creator (or a creator that returns null) means "the component cannot be created".

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

template <typename Interface>
class ComponentFactory {
public:
    using Creator = std::function<std::unique_ptr<Interface>()>;

    static void Register(std::string_view classId, Creator creator)
    {
        std::lock_guard lock(Mutex());
        if (creator)
            Creators()[std::string(classId)] = std::move(creator);
        else
            Creators().erase(std::string(classId));
    }

    static std::unique_ptr<Interface> Create(std::string_view classId)
    {
        Creator creator;
        {
            std::lock_guard lock(Mutex());
            auto it = Creators().find(std::string(classId));
            if (it == Creators().end())
                return nullptr;
            creator = it->second;
        }
        return creator();
    }

private:
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::map<std::string, Creator>& Creators()
    {
        static std::map<std::string, Creator> creators;
        return creators;
    }
};
