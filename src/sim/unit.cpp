// placeholder replaced by the simulator work
namespace kv3::sim {}
