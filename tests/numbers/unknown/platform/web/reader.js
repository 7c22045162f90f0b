// A page script that uses one number the engine hands over and one it does not.
command(N.CMD_EXIT, 0);
command(N.CMD_NO_SUCH, 0);
