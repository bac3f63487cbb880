// Anchors the library until the first oracle moves in.
namespace oracles {
int anchor()
{
    return 0;
}
} // namespace oracles
