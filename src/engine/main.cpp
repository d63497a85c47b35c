// Program entry of the services daemon.
int main(int, char**) {
    return 0;
}
