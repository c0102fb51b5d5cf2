export var secret = "SECRET from a module";
