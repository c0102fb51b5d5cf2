window.stolen = "secret";
