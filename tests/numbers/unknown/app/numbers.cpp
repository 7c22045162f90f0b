// The engine hands over one number.
TOMELET_NUMBER(CMD_EXIT),
