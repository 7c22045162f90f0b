"""The book's details, catalogues, characters and the story events that the
place pages offer.  Conditions and texts may use the macros of gen.py.
"""

BOOK_INFO = {
    "title": "The Perpetua Claim",
    "authors": "The tomelet project",
    "copyright": "© 2026 The tomelet project",
    "description": "London, March 1937. A steamer has sunk with a fortune in silk, a clerk has vanished, and on Friday the insurance will be paid. Five days to find the truth.",
    "web_site": "www.example.org/perpetua",
    "contact_address": "contact@example.org",
    "support_address": "support@example.org",
    "opening_picture": 0,
    "title_picture": 1,
    "icon": "pictures/icon.ico",
}

RESTART_NAMES = ["Monday", "Tuesday", "Wednesday", "Thursday", "Friday"]

# resource, width, height, file, what it shows (rows 0 to 39)
PICTURES = [
    (1100, 159, 134, "p00-opening.bmp", "the opening picture: the river and the clock tower at dusk"),
    (1717, 141, 130, "p01-title.bmp", "the title picture: the claim ledger and the steamer"),
    (1732, 16, 9, "p02-arrow.bmp", "a small pointing hand (not used by the text)"),
    (1719, 22, 22, "p03-compass.bmp", "a compass rose (not used by the text)"),
    (1738, 59, 49, "p04-watch.bmp", "a pocket watch"),
    (1740, 115, 31, "p05-ticket.bmp", "a boat train ticket"),
    (1733, 100, 130, "p06-clara.bmp", "Clara Venn"),
    (1731, 160, 127, "p07-office.bmp", "the claims room of Greaves & Pollard"),
    (1725, 69, 130, "p08-clocktower.bmp", "the clock tower at Westminster"),
    (1710, 227, 157, "p09-tower.bmp", "Tower Bridge and the river"),
    (1709, 227, 167, "p10-tavern.bmp", "the Anchor and Hope at night"),
    (1711, 85, 130, "p11-hollis.bmp", "Inspector Hollis"),
    (1707, 128, 128, "p12-ledger.bmp", "the cargo ledger"),
    (1704, 128, 128, "p13-camera.bmp", "Ned's folding camera"),
    (1705, 128, 128, "p14-pawnshop.bmp", "the three balls of the pawnshop"),
    (1706, 128, 128, "p15-pistol.bmp", "Voss's pistol"),
    (1726, 85, 130, "p16-voss.bmp", "Anton Voss"),
    (1713, 156, 112, "p17-taxi.bmp", "Alfie's taxi"),
    (1734, 227, 158, "p18-ferry.bmp", "the Woolwich ferry"),
    (1736, 142, 72, "p19-engine.bmp", "a steam locomotive"),
    (1718, 122, 130, "p20-crane.bmp", "Major Crane"),
    (1728, 56, 130, "p21-lamppost.bmp", "a lamp post in the fog"),
    (1703, 136, 200, "p22-house.bmp", "12 Cloudesley Row"),
    (1730, 160, 127, "p23-yard.bmp", "New Scotland Yard"),
    (1708, 160, 63, "p24-perpetua.bmp", "the steamer Perpetua"),
    (1721, 77, 51, "p25-note.bmp", "Ned's note"),
    (1716, 142, 131, "p26-warehouse.bmp", "Harker's warehouse"),
    (1720, 116, 130, "p27-ned.bmp", "Ned Ferris"),
    (1729, 109, 80, "p28-courier.bmp", "the Daily Courier"),
    (1715, 227, 205, "p29-map.bmp", "a map of London"),
    (1714, 227, 207, "p30-waterloo.bmp", "Waterloo station"),
    (1712, 227, 207, "p31-bales.bmp", "inside the warehouse: the bales"),
    (1722, 227, 173, "p32-boattrain.bmp", "the boat train in the country"),
    (1723, 227, 189, "p33-docks.bmp", "Southampton docks and the liner"),
    (1727, 227, 205, "p34-cabin.bmp", "a cabin aboard the Aurelian"),
    (1724, 227, 114, "p35-embankment.bmp", "the Embankment and the river"),
    (1737, 227, 207, "p36-craneoffice.bmp", "Major Crane's office and safe"),
    (1739, 227, 205, "p37-piccadilly.bmp", "Piccadilly Circus at night"),
    (1741, 227, 207, "p38-rivermap.bmp", "a map of the river from the Tower to Woolwich"),
    (1735, 130, 157, "p39-greaves.bmp", "Mr Greaves"),
]

SOUNDS = [
    ("TUBE_TRAIN", "tube_train.wav"), ("LUGER", "luger.wav"), ("TAXI", "taxi.wav"),
    ("WALKING", "walking.wav"), ("OCEAN_LINER", "ocean_liner.wav"), ("BIG_BEN", "big_ben.wav"),
    ("POLICEWHISTLE", "policewhistle.wav"), ("FERRY", "ferry.wav"), ("STEAM_TRAIN", "steam_train.wav"),
    ("PISTOL", "pistol.wav"), ("STEAM_TRAIN_STARTING", "steam_train_starting.wav"),
    ("TRAIN_RAILS_CLACKING", "train_rails_clacking.wav"), ("INSIDE_TRAIN", "inside_train.wav"),
    ("STEAM_TRAIN_STOPS", "steam_train_stops.wav"), ("PISTOL_LUGER", "pistol_luger.wav"),
]

# sound rows played when a place page is shown (not at night)
PLACE_SOUNDS = {
    "angel": 0, "bank": 0, "towerhill": 0, "westminster": 0, "temple": 0, "piccadilly": 0,
    "fenchurch": 8, "woolwichstn": 8, "charingx": 8, "londonbridge": 8, "waterloo": 8,
    "victoria": 8, "kingscross": 8, "stpancras": 8, "paddington": 8,
    "bigben": 5, "ferrysouth": 7, "ferrynorth": 7, "wapping": 3, "lambeth": 3,
}

# The people you can talk to (their pages are looked up with <g>, so the
# reader's place stays on the story page; Rtrn goes back to it).
CHARACTERS = {
    "doyle": {"name": "Mrs Doyle", "short": "Mrs Doyle",
              "intro": "Mrs Winifred Doyle, widow of a ship's carpenter, wipes her hands on her apron and gives you the look she keeps for lodgers who have something on their minds.",
              "topics": [("ned", "Ned Ferris"), ("caller", "callers"), ("crane", "Major Crane"),
                         ("police", "the police"), ("herself", "her husband"),
                         ("advice", "what to do")]},
    "greaves": {"name": "Mr Greaves", "short": "Mr Greaves",
                "intro": "Mr Edmund Greaves sits behind his desk in a fog of cough lozenges, his white moustache neatly trimmed, his eyes as sharp as ever.",
                "topics": [("ned", "Ned Ferris"), ("claim", "the claim"), ("crane", "Major Crane"),
                           ("fraud", "fraud"), ("friday", "Friday's payment"), ("health", "his health"),
                           ("advice", "his advice")]},
    "clara": {"name": "Clara Venn", "short": "Clara",
              "intro": "Clara Venn tucks a strand of dark hair behind her ear and glances over her shoulder before she answers you.",
              "topics": [("ned", "Ned"), ("crane", "Major Crane"), ("voss", "Mr Voss"),
                         ("perpetua", "the Perpetua"), ("ledger", "the ledger"), ("safe", "the safe"),
                         ("herself", "herself")]},
    "pell": {"name": "Max Pell", "short": "Max Pell",
             "intro": "Max Pell of the Daily Courier leans back with his feet on a heap of timetables, a pencil behind each ear.",
             "topics": [("perpetua", "the Perpetua"), ("crane", "Major Crane"), ("ships", "renamed ships"),
                        ("photos", "Ned's photographs"), ("print", "printing the story"),
                        ("liner", "the Aurelian"), ("himself", "himself")]},
    "sole": {"name": "Mrs Sole", "short": "Mrs Sole",
             "intro": "Mrs Sole peers at you through spectacles as thick as bottle ends. Behind her, Ivy is polishing a tray of rings.",
             "topics": [("ned", "the young man"), ("camera", "the camera"), ("foreigner", "the other enquirer"),
                        ("river", "the river folk"),
                        ("crane", "the Crane Line"), ("advice", "her advice")]},
    "sam": {"name": "Sam Okafor", "short": "Sam",
            "intro": "Sam Okafor coils a rope on the ferry's deck without looking at it, and grins at you over the rail.",
            "topics": [("lorries", "the night lorries"), ("harkers", "Harker's"), ("orme", "Captain Orme"),
                       ("river", "the river"), ("ned", "Ned"),
                       ("police", "the River Police"), ("himself", "himself")]},
    "pruett": {"name": "Pruett", "short": "Pruett",
               "intro": "Pruett of the Anchor and Hope polishes a glass with a cloth that makes it dirtier, his one eye fixed on you.",
               "topics": [("ned", "Ned"), ("scar", "the man with the scar"), ("orme", "Captain Orme"),
                          ("crane", "the Crane Line men"), ("harkers", "Harker's"), ("advice", "his advice")]},
    "ashdown": {"name": "Mr Ashdown", "short": "Mr Ashdown",
                "intro": "Mr Lionel Ashdown, barrister, is a long thin man among towers of briefs, with a kettle that boils on a gas ring for ever.",
                "topics": [("law", "the law of claims"), ("crane", "Major Crane"), ("bank", "Crane's money"),
                           ("evidence", "evidence"), ("police", "the police"), ("lisbon", "Lisbon"),
                           ("advice", "his advice")]},
    "hollis": {"name": "Inspector Hollis", "short": "Inspector Hollis",
               "intro": "Detective Inspector Hollis fills his pipe, does not light it, and waits for you to speak.",
               "topics": [("case", "the case"), ("crane", "Major Crane"), ("voss", "Anton Voss"),
                          ("ned", "Ned Ferris"), ("warrant", "a warrant"), ("whistle", "help"),
                          ("liner", "the Aurelian"), ("himself", "himself")]},
    "alfie": {"name": "Alfie Budd", "short": "Alfie",
              "intro": "Alfie Budd winds down the window of his cab and pushes his cap back. \"Where to, miss?\"",
              "topics": [("london", "London"), ("crane", "Major Crane"), ("voss", "the grey overcoat"),
                         ("cab", "his cab"), ("ned", "Ned"),
                         ("waterloo", "Waterloo"), ("himself", "himself")],
              "extra": "<B>Or let Alfie drive you<D><U>"
                       "[[mlater:waterloo:To Waterloo]]<U>"
                       "[[mlater:woolwichstn:To Woolwich]]<U>"
                       "[[mlater:mayfair:To Mayfair]]<U>"
                       "[[mlater:home:Home to Islington]]"},
}

ALWAYS = "(%19 y 6)"


def between(a, b):
    return lambda t: ALWAYS if a <= t <= b else None


# Who can be found where.  cond: a condition, or a function of the time of
# day giving one (or None when they are not there).
PRESENCE = [
    {"place": "home", "cond": between(0, 5), "text": "Mrs Doyle is somewhere about the house. " + "<g \"Talk to Mrs Doyle\" [[talk:doyle]]>"},
    {"place": "office", "cond": lambda t: "([[%greaves]] y 5)" if 1 <= t <= 3 else None,
     "text": "Mr Greaves is in his room at the end of the passage. <g \"Talk to Mr Greaves\" [[talk:greaves]]>"},
    {"place": "fleet", "cond": between(1, 4), "text": "Max Pell's window is lit on the second floor of the Courier building. <g \"Talk to Max Pell\" [[talk:pell]]>"},
    {"place": "pawnshop", "cond": between(1, 4), "text": "Mrs Sole is behind her counter. <g \"Talk to Mrs Sole\" [[talk:sole]]>"},
    {"place": "ferrysouth", "cond": between(0, 4), "text": "Sam Okafor is working on the ferry. <g \"Talk to Sam\" [[talk:sam]]>"},
    {"place": "anchor", "cond": between(2, 5), "text": "Pruett is behind the bar. <g \"Talk to Pruett\" [[talk:pruett]]>"},
    {"place": "inns", "cond": between(1, 3), "text": "Mr Ashdown's oak door stands open. <g \"Talk to Mr Ashdown\" [[talk:ashdown]]>"},
    {"place": "yard", "cond": lambda t: "(X [[%met_hollis]])" if 1 <= t <= 4 else None,
     "text": "Inspector Hollis has his office here. <g \"Talk to Inspector Hollis\" [[talk:hollis]]>"},
    {"place": "*", "cond": lambda t: "([[%clara]] = %0) & (X [[%met_clara]])" if t < 5 else None,
     "text": "Clara Venn is here. <g \"Talk to Clara\" [[talk:clara]]>"},
    {"place": "*", "cond": lambda t: "([[%rendezvous]] = %0) & ([[%hollis]] x 3)" if t < 5 else None,
     "text": "Inspector Hollis is waiting for you here, as he promised. <g \"Talk to Hollis\" [[talk:hollis]]>"},
    {"place": "*", "cond": lambda t: "([[%alfie]] = %0) & (X [[%met_alfie]])" if t < 5 else None,
     "text": "Alfie's cab stands at the kerb. <g \"Talk to Alfie\" [[talk:alfie]]>"},
    {"place": "*", "cond": "([[%voss]] = %0) & (X [[%saw_voss]]) & !(X [[%voss_down]])",
     "text": "<B>Across the way, a man in a grey overcoat is reading a newspaper he does not turn the pages of: Anton Voss.<D><a>It would be wise not to stay long."},
]

D = "[[%day]]"
T = "[[%time]]"

# The story's events on the place pages: where, at which times of day, on
# which condition, and the text with its links.
EVENTS = [
    {"place": "home", "times": [0, 1], "cond": "(%19 = 0) & !([[%doyle]] x 0)",
     "text": "Mrs Doyle calls up the stairs that your breakfast is going cold. <M \"Go down to breakfast\" [[mon_breakfast]]>"},
    {"place": "office", "times": [1, 2, 3], "cond": "(%19 = 0) & ([[%claimfile]] = 0)",
     "text": "The office boy says Mr Greaves wants you at once. <M \"Go to Mr Greaves's room\" [[mon_greaves]]>"},
    {"place": "office", "times": [1, 2, 3, 4], "cond": "([[%claimfile]] = 1) & !(X [[%read_file]])",
     "text": "The Perpetua file lies on your desk. <M \"Read the claim file\" [[mon_file]]>"},
    {"place": "exchange", "times": [1, 2, 3], "cond": "(%19 y 2) & !(X [[%seen_crane]])",
     "text": "A knot of underwriters stands laughing around a tall man with a silver-topped cane. <M \"Join the group\" [[exchange_crane]]>"},
    {"place": "craneline", "times": [1, 2, 3], "cond": "!(X [[%met_clara]])",
     "text": "Through the glass of the inner door you see a young woman at a typewriter. <M \"Go in and ask for Ned\" [[mon_clara]]>"},
    {"place": "anchor", "times": [4], "cond": "(%19 = 0) & !(X [[%anchor_done]])",
     "text": "The clock over the bar says a quarter to nine. Ned should be here soon. <M \"Wait for Ned in the back room\" [[mon_anchor]]>"},
    {"place": "pawnshop", "times": [1, 2, 3, 4], "cond": "(X [[%pawnticket]]) & ([[%camera]] = 0)",
     "text": "You have Ned's pawn ticket in your pocket. <M \"Show the ticket at the counter\" [[tue_pawn]]>"},
    {"place": "fleet", "times": [1, 2, 3, 4], "cond": "(X [[%film]]) & ([[%photos]] = 0)",
     "text": "The Courier has a darkroom, and Max Pell owes nobody anything yet. <M \"Ask Pell to develop Ned's film\" [[tue_pell]]>"},
    {"place": "yard", "times": [1, 2, 3, 4], "cond": "!(X [[%met_hollis]])",
     "text": "The constable at the door asks your business. <M \"Ask to see a detective about the Perpetua\" [[hollis_first]]>"},
    {"place": "yard", "times": [1, 2, 3, 4], "cond": "(X [[%met_hollis]]) & (X [[%ledger]]) & ([[%hollis]] y 5)",
     "text": "You have the ledger. Now Hollis must listen. <M \"Put the ledger on Hollis's desk\" [[hollis_ledger]]>"},
    {"place": "leftluggage", "times": [0, 1, 2, 3, 4], "cond": "(X [[%lugticket]]) & !(X [[%luggage_done]])",
     "text": "The clerk holds out his hand for a ticket. <M \"Hand over Ned's left-luggage ticket\" [[tue_luggage]]>"},
    {"place": "museum", "times": [1, 2, 3], "cond": "!(X [[%archive_done]])",
     "text": "The newspaper archive keeps every weather report and shipping list of the year. <M \"Search the archive\" [[archive]]>"},
    {"place": "inns", "times": [1, 2, 3], "cond": "!(X [[%met_ashdown]])",
     "text": "A brass plate reads L. ASHDOWN, BARRISTER, SHIPPING. <M \"Knock and go in\" [[ashdown_scene]]>"},
    {"place": "ferrysouth", "times": [0, 1, 2, 3, 4], "cond": "!(X [[%ferry_done]])",
     "text": "The ferry is loading. <M \"Cross on the ferry\" [[ferry_ride]]>"},
    {"place": "harkers", "times": [1, 2, 3], "cond": "([[%warehouse]] x 0) & ([[%warehouse]] y 3)",
     "text": "This is the warehouse in Ned's photographs. <M \"Watch the gate for a while\" [[harkers_day]]>"},
    {"place": "harkers", "times": [5], "cond": "([[%warehouse]] x 0) & !(X [[%warehouse_done]])",
     "text": "The yard is dark and the watchman's hut shows a dim light. <M \"Climb the fence\" [[harkers_night]]>"},
    {"place": "office", "times": [4], "cond": "(%19 = 2) & ([[%greaves]] y 4)",
     "text": "A light still burns in Mr Greaves's room. <M \"Look in on Mr Greaves\" [[wed_greaves]]>"},
    {"place": "pimlico", "times": [0, 1, 4, 5], "cond": "(X [[%met_clara]]) & (%19 x 1) & !([[%comb1]] = 1)",
     "text": "Clara's window is lit on the top floor. <M \"Ring Clara's bell\" [[thu_clara]]>"},
    {"place": "craneline", "times": [5], "cond": "(X [[%met_clara]]) & ([[%comb1]] = 1) & !(X [[%safe_done]])",
     "text": "The offices are dark. Clara's spare key is cold in your hand. <M \"Let yourself in\" [[thu_breakin]]>"},
    {"place": "mayfair", "times": [4, 5], "cond": "([[%ned]] = [[@mayfair]]) & !(X [[%ned_freed]])",
     "text": "Ned is somewhere in the cellar of number 31. <M \"Find a way into the house\" [[mayfair_rescue]]>"},
    {"place": "office", "times": [1, 2, 3], "cond": "([[%evidence]] x 5) & !(X [[%stopped_payment]]) & (%19 y 5)",
     "text": "You have enough to show Mr Greaves. <M \"Ask Mr Greaves to stop the payment\" [[stop_payment]]>"},
    {"place": "fleet", "times": [1, 2, 3, 4], "cond": "((X [[%ledger]]) | ([[%evidence]] x 7)) & !(X [[%courier_done]])",
     "text": "Pell will want this. <M \"Give Pell the story\" [[pell_story]]>"},
    {"place": "waterloo", "times": [2, 3], "cond": "(%19 = 4)",
     "text": "A notice says the boat train for the Aurelian will leave from platform 12 at six o'clock. <M \"Go to the booking office\" [[booking]]>"},
    {"place": "waterloo", "times": [4], "cond": "(%19 = 4) & !(X [[%train_board]])",
     "text": "<B>The boat train is at platform 12, steam up.<D> <M \"Go to the platform\" [[boat_train]]>"},
    {"place": "chapel", "times": [1, 2, 3], "cond": "!(X [[%met_alfie]])",
     "text": "A taxi driver is arguing cheerfully with a coster about the price of eels. <M \"Listen\" [[meet_alfie]]>"},
    {"place": "riverpolice", "times": [1, 2, 3, 4], "cond": "(X [[%warehouse_done]]) & !(X [[%warrant]])",
     "text": "The River Police would want to know about Harker's. <M \"Report what you saw\" [[river_report]]>"},
    {"place": "bigben", "times": [2], "cond": ALWAYS,
     "text": "Above you the great bell begins to strike twelve. <M \"Stop and listen\" [[big_ben]]>"},
]

# The things the reader can carry, listed on the Information page.
ITEMS = ["note", "latchkey", "alfiecard", "pawnticket", "camera", "film", "lugticket",
         "suitcase", "ledgerpage", "manifest", "trawlerreport", "lloydslist", "pellphoto",
         "presscard", "crowbar", "torch", "hatpin", "shawl", "portercap", "oilskin", "scarf",
         "claraletter", "ledger", "telegram", "bankslip", "cabinkey", "greavesnote",
         "warrant", "whistle", "timetable"]
